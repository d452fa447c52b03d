// Start-up's frame rate from the monitor's video mode. GLFW reports a mode's rate in whole hertz:
// a 59.94 Hz monitor comes back as 59 (truncated) or 60 (rounded, as on X11), never as 59.94.
#include <gtest/gtest.h>

#include <GLFW/glfw3.h>

#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Settings.h"
#include "game/Startup.h"

namespace {

struct FrameRateChoice : ::testing::Test {
    void SetUp() override { resetStateForTests(); }
    void TearDown() override { resetStateForTests(); }

    static GLFWvidmode mode(int hertz) { return GLFWvidmode{1920, 1080, 8, 8, 8, hertz}; }
    static double interval() { return GameState::getInstance()->frameInterval; }
};

}  // namespace

TEST_F(FrameRateChoice, MonitorsUpTo60HzRunAt60AndMarkTheMonitorSlow) {
    for (const bool performance : {false, true}) {
        for (const int hertz : {59, 60}) {
            SCOPED_TRACE(testing::Message() << hertz << " Hz, performance mode " << performance);
            resetStateForTests();
            performanceMode = performance;
            refreshRate = 75.0f;  // whatever the settings said
            const GLFWvidmode m = mode(hertz);
            chooseFrameRate(&m);
            EXPECT_EQ(refreshRate, 60.0f);
            EXPECT_TRUE(lowRefreshMonitor);
            EXPECT_DOUBLE_EQ(interval(), 1.0 / 60.0);
        }
    }
}

TEST_F(FrameRateChoice, FasterMonitorsRunAt80Or60InPerformanceMode) {
    for (const int hertz : {61, 75, 144}) {
        SCOPED_TRACE(testing::Message() << hertz << " Hz");
        const GLFWvidmode m = mode(hertz);
        performanceMode = false;
        chooseFrameRate(&m);
        EXPECT_EQ(refreshRate, 80.0f);
        EXPECT_DOUBLE_EQ(interval(), 0.0125);
        EXPECT_FALSE(lowRefreshMonitor);

        performanceMode = true;
        chooseFrameRate(&m);
        EXPECT_EQ(refreshRate, 60.0f);
        EXPECT_DOUBLE_EQ(interval(), 1.0 / 60.0);
        EXPECT_FALSE(lowRefreshMonitor);
    }
}

TEST_F(FrameRateChoice, WithoutAModeTheConfiguredRateStandsAndANonPositiveOneFallsBackTo60) {
    for (const bool performance : {false, true}) {
        SCOPED_TRACE(testing::Message() << "performance mode " << performance);
        performanceMode = performance;
        refreshRate = 59.94f;
        chooseFrameRate(nullptr);
        EXPECT_EQ(refreshRate, 59.94f);
        EXPECT_DOUBLE_EQ(interval(), 1.0 / static_cast<double>(59.94f));
        refreshRate = 144.0f;
        chooseFrameRate(nullptr);
        EXPECT_DOUBLE_EQ(interval(), 1.0 / 144.0);
        EXPECT_FALSE(lowRefreshMonitor);
    }
    for (const float configured : {0.0f, -30.0f}) {
        refreshRate = configured;
        chooseFrameRate(nullptr);
        EXPECT_EQ(refreshRate, 60.0f) << configured;
        EXPECT_DOUBLE_EQ(interval(), 1.0 / 60.0) << configured;
        EXPECT_FALSE(lowRefreshMonitor);
    }
}
