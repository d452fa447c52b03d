// Start-up's render state on a context whose window is not the size the game draws at, as a
// full-screen window that covers a monitor larger than the size asked for.
#include <gtest/gtest.h>

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
