#pragma once
// One frame of the running game: the order of its passes and the OpenGL state between them.
struct GameContext;

// The scene of a game frame, without its GUI: depth test and multisampling on, the lit level,
// the collectibles, the player, the mirror cube, the sky, the sun and both particle systems.
// Clears updateTick once the particles and the player have read it.
void drawScene(GameContext& context);

// Draws one game frame in the fixed pass order; draws nothing while the window is closing.
void renderFrame(GameContext& context);
