// The per-frame values of the update: fades from the player's height and the end screen's
// ticks, the blend toward the start area's light.
#include <gtest/gtest.h>

#include "game/GameLoop.h"

TEST(FrameValues, FallFadeRunsFromMinus11Point4ToMinus24) {
    EXPECT_EQ(fallFadeForHeight(-1.34f), 0.0f);
    EXPECT_EQ(fallFadeForHeight(-11.4f), 0.0f);
    EXPECT_NEAR(fallFadeForHeight(-17.7f), 0.5f, 1e-5f);
    EXPECT_NEAR(fallFadeForHeight(-23.999f), 1.0f, 1e-4f);
    EXPECT_EQ(fallFadeForHeight(-24.0f), 1.0f);
    EXPECT_EQ(fallFadeForHeight(-1000.0f), 1.0f);
}

TEST(FrameValues, FallOverlayFadeRunsFromMinus2Point5ToMinus8Point4) {
    EXPECT_EQ(fallOverlayFadeForHeight(-2.5f), 0.0f);
    EXPECT_EQ(fallOverlayFadeForHeight(-1.34f), 0.0f);
    EXPECT_NEAR(fallOverlayFadeForHeight(-5.45f), 0.5f, 1e-5f);
    EXPECT_EQ(fallOverlayFadeForHeight(-8.5f), 1.0f);
}

TEST(FrameValues, EscapeFadeWaitsNinetyFramesThenRisesOverTwoHundred) {
    EXPECT_EQ(escapeFadeForTicks(0), 0.0f);
    EXPECT_EQ(escapeFadeForTicks(90), 0.0f);
    EXPECT_NEAR(escapeFadeForTicks(190), 0.5f, 1e-6f);
    EXPECT_EQ(escapeFadeForTicks(290), 1.0f);
    EXPECT_EQ(escapeFadeForTicks(5000), 1.0f);
}

TEST(FrameValues, BlendFactorIsSmoothBetweenThreeAndTenUnits) {
    EXPECT_EQ(blendFactorForDistance(0.0f), 1.0f);
    EXPECT_EQ(blendFactorForDistance(3.0f), 1.0f);
    EXPECT_NEAR(blendFactorForDistance(6.5f), 0.5f, 1e-6f);
    EXPECT_EQ(blendFactorForDistance(10.0f), 0.0f);
    EXPECT_EQ(blendFactorForDistance(16.5f), 0.0f);
    // Monotonic in between.
    float previous = 1.0f;
    for (float d = 3.0f; d <= 10.0f; d += 0.25f) {
        const float b = blendFactorForDistance(d);
        EXPECT_LE(b, previous);
        previous = b;
    }
}

// ---- the clock after a pause ------------------------------------------------------------

#include "state/GameState.h"
#include "state/GlobalState.h"
#include "platform/system/Clock.h"

namespace {

struct PausedClock : ::testing::Test {
    double now = 100.0;
    GameState state;

    void SetUp() override {
        resetStateForTests();
        setClockSecondsSource([this] { return now; });
        state.startTime = 1000;
        state.lastTime = 90.0;
        state.lastStepTime = 89.0;
        state.fpsWindowStart = 50.0;
    }
    void TearDown() override {
        resetClockSources();
        resetStateForTests();
    }

    void pauseFor(double seconds) {
        clockPaused = true;
        pauseSnapshotTaken = true;
        state.pauseStart = now;
        now += seconds;
        state.resumeClockAfterPause();
    }
};

}  // namespace

TEST_F(PausedClock, OnlyWholeSecondsMoveTheRunsStart) {
    pauseFor(2.9);
    EXPECT_EQ(state.startTime, 1002);
    state.startTime = 1000;
    pauseFor(7.6);
    EXPECT_EQ(state.startTime, 1007);
}

TEST_F(PausedClock, FrameClocksSkipThePauseAndTheSoundFadesBack) {
    pauseFor(7.6);
    EXPECT_DOUBLE_EQ(state.lastTime, 97.6);
    EXPECT_DOUBLE_EQ(state.lastStepTime, 96.6);
    EXPECT_DOUBLE_EQ(state.fpsWindowStart, 57.6);
    EXPECT_TRUE(fadeOut);
    EXPECT_DOUBLE_EQ(state.fadeStart, now);
    EXPECT_FALSE(clockPaused);
    EXPECT_FALSE(pauseSnapshotTaken);
}

TEST_F(PausedClock, DoesNothingUnlessTheClockIsPaused) {
    clockPaused = false;
    now = 500.0;
    state.resumeClockAfterPause();
    EXPECT_EQ(state.startTime, 1000);
    EXPECT_DOUBLE_EQ(state.lastTime, 90.0);
    EXPECT_FALSE(fadeOut);
}

// ---- the tick of the frames-per-second window ---------------------------------------------

#include <chrono>
#include <thread>

#include "platform/system/MonotonicTicks.h"

TEST(MonotonicTick, CountsFromTheProcessStartSoSinglePrecisionKeepsMilliseconds) {
    const std::uint32_t first = monotonicTickMs();
    // Small enough that a float still holds whole milliseconds exactly (below 2^24).
    EXPECT_LT(first, 1u << 24);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const std::uint32_t second = monotonicTickMs();
    EXPECT_GE(second - first, 25u);
    EXPECT_LT(second - first, 5000u);
    EXPECT_EQ(static_cast<std::uint32_t>(static_cast<float>(second)), second);
}
