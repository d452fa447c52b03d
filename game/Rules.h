#pragma once
// checkGameRules and resetGame are declared in GameState.h; this header holds the part of the
// restart that reaches into the sound and the player model.

// The restart's sound and animation part: the bgm, fire and battleAmbience loops that are
// playing get their base volumes back, and the player model's idle counter starts over.
void restoreLoopsAndIdleOnRestart();
