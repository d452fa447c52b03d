// Start-up's render state on a context whose window is not the size the game draws at, as a
// full-screen window that covers a monitor larger than the size asked for, and the size followed
// when the framebuffer changes later.
#include <gtest/gtest.h>

#include <utility>

#include "game/GameLoop.h"
#include "game/Startup.h"
#include "state/GlobalState.h"
#include "support/GlContext.h"

namespace {

class StartRenderState : public testgl::GlTest {
protected:
    void TearDown() override {
        resetStateForTests();
        testgl::GlTest::TearDown();
    }
};

// The viewport's size and the game's current size, both as the given size.
void expectDrawnAt(int width, int height) {
    GLint viewport[4] = {-1, -1, -1, -1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
    EXPECT_EQ(currentWidth, width);
    EXPECT_EQ(currentHeight, height);
}

}  // namespace

TEST_F(StartRenderState, TheViewportIsTheCurrentSizeNotTheContextsFirst) {
    // The context's first viewport is its window's 64 x 64.
    currentWidth = 48;
    currentHeight = 20;
    setStartRenderState();
    GLint viewport[4] = {-1, -1, -1, -1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 48);
    EXPECT_EQ(viewport[3], 20);
}

// A compositor gives a full-screen window its size a while after the window was made: the game
// follows the framebuffer from then on, and the pause picture is drawn again at the new size.
TEST_F(StartRenderState, TheViewportAndTheCurrentSizeFollowTheFramebuffer) {
    currentWidth = 48;
    currentHeight = 20;
    setStartRenderState();
    pausePictureShown = true;
    framebufferSizeCallback(nullptr, 60, 34);
    expectDrawnAt(60, 34);
    EXPECT_FALSE(pausePictureShown);

    // The same size again leaves the picture on screen; a minimised window's 0 x 0, or a size
    // with one side 0, changes nothing.
    pausePictureShown = true;
    framebufferSizeCallback(nullptr, 60, 34);
    const std::pair<int, int> emptySizes[] = {{0, 0}, {0, 34}, {60, 0}};
    for (const auto& [width, height] : emptySizes) {
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        framebufferSizeCallback(nullptr, width, height);
        expectDrawnAt(60, 34);
    }
    EXPECT_TRUE(pausePictureShown);
}
