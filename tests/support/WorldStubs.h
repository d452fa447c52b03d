#pragma once
// Stand-ins for the renderer and sound parts the world's sources call, and the shared set-up
// of the world tests.

// Times the restart asked for the loop volumes and the idle counter to be restored.
extern int restartEffectsCalls;

// Static actors in the scene right after the level's were made.
extern unsigned levelActorCount;

// Builds the physics world and the level's static actors once per process, then puts every
// singleton and global of the game back to its initial values, with a new player controller
// at the start. Settings: a 1280 x 768 window, introDone on, introActive off.
void resetWorld();
