#pragma once
// The run's clock and counters and the text-fade timings. The rules and the restart that
// drive them are the game's (game/Rules.h).
#include <ctime>

struct GameContext;

// Counters count fixed steps of 1/60 s unless said otherwise.
struct GameState {
    std::time_t startTime = 0;      // calendar time the run started (moved later by pauses)
    double elapsed = 0.0;           // whole seconds since startTime
    std::time_t now = 0;            // calendar time of the last clock update
    int frameCount = 0;             // updates in the current one-second window
    int fps = 0;                    // updates of the last completed window
    double pauseStart = 0.0;        // clock seconds when the clock was paused
    double fadeStart = 0.0;         // clock seconds when the pause sound fade began
    double fpsWindowStart = 0.0;    // seconds (system tick) the current window began
    double fpsWindowNow = 0.0;
    double delta = 0.0;             // seconds between the last two updates
    double particleDt = 0.0;        // seconds between the last two fixed steps (0.2 in the warm-up)
    double lastTime = 0.0;
    double lastStepTime = 0.0;
    double timeLimit = 90.0;        // seconds a run may last (settings)
    double accumulator = 0.0;       // time not yet consumed by fixed steps
    int framesSinceStep = 0;
    int textTicks = 0;              // stops at 1850
    int statusTicks = 999;          // stops at 440
    int jumpTicks = 0;              // the jump cooldown; saturates instead of overflowing
    int endScreenTicks = 0;         // rendered frames of the won end screen
    int warmupCountdown = 120;
    bool warmupActive = true;
    double frameInterval = 0.0125;  // seconds between rendered frames; start-up sets 1 / refreshRate
    double frameDelta = 0.0;
    double lastFrame = 0.0;         // start of the last rendered pass

    GameState();

    static GameState* getInstance();

    // startTime = now.
    void startTimer();

    // After a pause: moves the run's start by the whole seconds spent paused and shifts the
    // frame clocks by the pause; starts the sound fade-out. Acts only while clockPaused is set.
    // Defined beside the context, in game/GameContext.cpp.
    void resumeAfterPause(GameContext& context);
    // The same, on this clock alone.
    void resumeClockAfterPause();
};

struct FadeTimings {
    const int titleFadeInStart = 30;
    const int titleFadeInEnd = 180;
    const int titleFadeOutStart = 1650;
    const int titleFadeOutEnd = 1850;
    const int shortFadeInEnd = 90;
    const int shortFadeOutStart = 180;
    const int shortFadeOutEnd = 240;
    const float fallOverlayTop = -2.5f;
    const float fallOverlayBottom = -6.4f - 2.0f;

    static FadeTimings* getInstance();

    // textFadeAlpha from the game state's textTicks: the short sequence once introDone is set,
    // the title sequence before.
    void update();
};
