// The key table, without a window: only keys that need no window or OpenGL are sent here.
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "support/WorldStubs.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "game/KeyBindings.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "platform/system/Clock.h"

namespace {

void press(int key) { keyCallback(nullptr, key, 0, GLFW_PRESS, 0); }
void release(int key) { keyCallback(nullptr, key, 0, GLFW_RELEASE, 0); }
void repeat(int key) { keyCallback(nullptr, key, 0, GLFW_REPEAT, 0); }

class KeyBindingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetWorld();
        player = Player::getInstance();
    }
    Player* player = nullptr;
};

TEST_F(KeyBindingsTest, MovementKeysSetOnPressAndClearOnRelease) {
    const struct {
        int key;
        bool Player::*flag;
    } keys[] = {{GLFW_KEY_W, &Player::moveForward},
                {GLFW_KEY_S, &Player::moveBack},
                {GLFW_KEY_A, &Player::moveLeft},
                {GLFW_KEY_D, &Player::moveRight}};
    for (const auto& k : keys) {
        press(k.key);
        EXPECT_TRUE(player->*k.flag);
        release(k.key);
        EXPECT_FALSE(player->*k.flag);
    }
    // A jump tap leaves the request for the next fixed step.
    press(GLFW_KEY_SPACE);
    release(GLFW_KEY_SPACE);
    EXPECT_TRUE(player->jumpRequested);
}

TEST_F(KeyBindingsTest, RepeatDoesNothing) {
    repeat(GLFW_KEY_W);
    EXPECT_FALSE(player->moveForward);
    press(GLFW_KEY_W);
    repeat(GLFW_KEY_W);
    EXPECT_TRUE(player->moveForward);
    repeat(GLFW_KEY_M);
    repeat(GLFW_KEY_P);
    EXPECT_FALSE(muted);
    EXPECT_FALSE(paused);
}

TEST_F(KeyBindingsTest, PauseBlocksPressesButNotReleases) {
    press(GLFW_KEY_W);
    release(GLFW_KEY_P);
    ASSERT_TRUE(paused);
    EXPECT_TRUE(pauseRequested);
    release(GLFW_KEY_W);
    EXPECT_FALSE(player->moveForward);
    press(GLFW_KEY_W);
    press(GLFW_KEY_SPACE);
    EXPECT_FALSE(player->moveForward);
    EXPECT_FALSE(player->jumpRequested);
    // Display keys do nothing while paused; M still mutes.
    const float before = brightness;
    release(GLFW_KEY_F3);
    release(GLFW_KEY_F5);
    EXPECT_EQ(brightness, before);
    EXPECT_FALSE(showFPS);
    release(GLFW_KEY_M);
    EXPECT_TRUE(muted);
    // P again leaves the pause without a second clean frame request.
    pauseRequested = false;
    release(GLFW_KEY_P);
    EXPECT_FALSE(paused);
    EXPECT_FALSE(pauseRequested);
}

TEST_F(KeyBindingsTest, NInThePauseRequestsARestart) {
    release(GLFW_KEY_P);
    release(GLFW_KEY_N);
    EXPECT_FALSE(paused);
    EXPECT_TRUE(clockPaused);
    EXPECT_TRUE(restartRequested);
    EXPECT_EQ(restartEffectsCalls, 0);  // the frame loop restarts, not the key
}

TEST_F(KeyBindingsTest, NReleasedBeforeThePauseStoppedTheClockShiftsNothing) {
    // P, then N before the frame loop ran its first paused pass: the clock was never stopped,
    // so the resume that precedes the restart must not take an old pause's start for this one.
    double now = 500.0;
    setClockSecondsSource([&now] { return now; });
    GameState& state = *GameState::getInstance();
    state.pauseStart = 3.0;  // left over from a pause long ago
    state.lastTime = 499.9;
    release(GLFW_KEY_P);
    now = 500.02;
    release(GLFW_KEY_N);
    state.resumeClockAfterPause();
    EXPECT_NEAR(state.lastTime, 499.9, 1e-9);
    resetClockSources();
}

TEST_F(KeyBindingsTest, NOutsideThePauseRestartsAtOnce) {
    gameOver = true;
    release(GLFW_KEY_N);
    EXPECT_FALSE(gameOver);
    EXPECT_TRUE(introActive);
    EXPECT_EQ(restartEffectsCalls, 1);
    EXPECT_FALSE(restartRequested);
}

TEST_F(KeyBindingsTest, IntroAndEndScreenBlockMovementAndPause) {
    introActive = true;
    press(GLFW_KEY_W);
    press(GLFW_KEY_SPACE);
    EXPECT_FALSE(player->moveForward);
    EXPECT_FALSE(player->jumpRequested);
    release(GLFW_KEY_P);
    EXPECT_FALSE(paused);
    release(GLFW_KEY_M);
    EXPECT_TRUE(muted);
    release(GLFW_KEY_F5);
    EXPECT_TRUE(showFPS);
    introActive = false;
    gameOver = true;
    release(GLFW_KEY_P);
    EXPECT_FALSE(paused);
}

TEST_F(KeyBindingsTest, BrightnessStepsAndLimits) {
    brightness = 1.0f;
    release(GLFW_KEY_F3);
    EXPECT_FLOAT_EQ(brightness, 0.5f);
    release(GLFW_KEY_F3);
    EXPECT_FLOAT_EQ(brightness, 0.01f);
    release(GLFW_KEY_F4);
    EXPECT_FLOAT_EQ(brightness, 0.51f);
    EXPECT_FLOAT_EQ(gammaVector.x, 0.51f / 2.2f);
    brightness = 9.8f;
    release(GLFW_KEY_F4);
    EXPECT_FLOAT_EQ(brightness, 10.0f);
}

TEST_F(KeyBindingsTest, PresentationModeHidesTheTimerForGood) {
    release(GLFW_KEY_U);
    EXPECT_FALSE(hideTimer);
    presentationMode = true;
    release(GLFW_KEY_U);
    release(GLFW_KEY_U);
    EXPECT_TRUE(hideTimer);
}

}  // namespace
