#pragma once
// The game's real scene (level, sky, mirror cube, thief, artifacts, particles, flare, GUI images,
// HUD text) assembled once per test process in the order start-up assembles it, in a small hidden
// 16:9 window without multisampling, so what the passes leave in the back buffer reads back as
// drawn. The sound runs on a recording engine; every clock the game reads follows `now`.
#include <GlContext.h>

#include <cstdint>

#include "ScreensGlSupport.h"
#include "support/RecordingEngine.h"

struct GameContext;

namespace gamescene {

constexpr int width = 320;
constexpr int height = 180;

// Seconds on the game's clock; the calendar and the millisecond tick follow it.
extern double now;

class GameSceneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();

    // A fresh run: every flag, fade and counter at its initial value, the thief on the start
    // platform, the intro over, no sound playing, the environment map captured.
    void SetUp() override;
    // Fails on any OpenGL error the test caused.
    void TearDown() override;

    static GameContext& context();
    static RecordingEngine& engine();
    static GLFWwindow* window();

    static testgl::Pixels read() { return testgl::readPixels(0, width, height); }
};

// Pixels whose colour differs by more than `tolerance` in any channel, and their bounding box.
struct Difference {
    int count = 0;
    screensgl::Box box;
};
Difference difference(const testgl::Pixels& a, const testgl::Pixels& b, int tolerance = 2);

}  // namespace gamescene
