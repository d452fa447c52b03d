#pragma once
// The part of the frame update that advances the game: the frame-time measurement and at most
// one fixed step of 1/60 s. It makes no OpenGL call, so a test can drive whole runs through it
// on the injectable clock without a window.
class Camera;
class Player;
struct GameState;
struct GLFWwindow;

// The fixed step, as the single-precision value the game has always used (seconds).
constexpr double fixedStepSeconds = static_cast<double>(1.0f / 60.0f);

// delta since the last call, the frame count and the frames-per-second window, from the game
// clock; the particle warm-up counts its rounds with it too.
void measureFrameTime(GameState& state);

// Clears updateTick, measures the frame time and, once the accumulator holds a whole step,
// runs exactly one: updateTick and physicsTicked set, the step counters, the rules, the player
// over the time of the frames since the last step, the camera (cursor read from `window`) and
// one physics step. A backlog is worked off one step per call.
void advanceFixedStep(GameState& state, Player& player, Camera& camera, GLFWwindow* window);
