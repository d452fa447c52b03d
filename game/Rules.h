#pragma once
// The game rules and the restart, which act on the game state and the flags.

// Once per fixed step: time-out, fall, escape, pickups and the sound thresholds.
void checkGameRules();

// N outside the pause, or a restart requested in the pause: a new run without re-creating anything.
void resetGame();

// The restart's sound and animation part: the bgm, fire and battleAmbience loops that are
// playing get their base volumes back, and the player model's idle counter starts over.
void restoreLoopsAndIdleOnRestart();
