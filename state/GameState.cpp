#include "state/GameState.h"

#include <cmath>

#include "state/GlobalState.h"
#include "platform/system/Clock.h"

GameState::GameState() : lastFrame(clockSeconds()) {}

GameState* GameState::getInstance() {
    static GameState instance;
    return &instance;
}

void GameState::startTimer() { startTime = clockCalendarNow(); }

void GameState::resumeClockAfterPause() {
    if (!clockPaused) {
        return;
    }
    const double pausedFor = clockSeconds() - pauseStart;
    // Only whole seconds move the start: elapsed counts whole seconds as well.
    startTime += static_cast<std::time_t>(std::trunc(pausedFor));
    fpsWindowStart += pausedFor;
    lastTime += pausedFor;
    lastStepTime += pausedFor;
    fadeOut = true;
    fadeStart = clockSeconds();
    clockPaused = false;
    pauseSnapshotTaken = false;
}

FadeTimings* FadeTimings::getInstance() {
    static FadeTimings instance;
    return &instance;
}

void FadeTimings::update() {
    const int t = GameState::getInstance()->textTicks;
    float alpha;
    if (introDone) {
        if (t < shortFadeInEnd) {
            alpha = static_cast<float>(t) / static_cast<float>(shortFadeInEnd);
        } else if (t <= shortFadeOutStart) {
            alpha = 1.0f;
        } else if (t < shortFadeOutEnd) {
            alpha = 1.0f - static_cast<float>(t - shortFadeOutStart) /
                               static_cast<float>(shortFadeOutEnd - shortFadeOutStart);
        } else {
            alpha = 0.0f;
        }
    } else {
        if (t <= titleFadeInStart) {
            alpha = 0.0f;
        } else if (t < titleFadeInEnd) {
            alpha = static_cast<float>(t - titleFadeInStart) /
                    static_cast<float>(titleFadeInEnd - titleFadeInStart);
        } else if (t <= titleFadeOutStart) {
            alpha = 1.0f;
        } else if (t < titleFadeOutEnd) {
            alpha = 1.0f - static_cast<float>(t - titleFadeOutStart) /
                               static_cast<float>(titleFadeOutEnd - titleFadeOutStart);
        } else {
            alpha = 0.0f;
        }
    }
    textFadeAlpha = alpha;
}
