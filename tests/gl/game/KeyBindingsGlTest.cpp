// The keys that reach into GLFW and OpenGL: full screen, wireframe, culling, quit.
#include <GlContext.h>

#include <GLFW/glfw3.h>

#include "state/GlobalState.h"
#include "game/KeyBindings.h"
#include "game/Rules.h"
#include "state/Settings.h"

// The restart's sound and model part is not under test here.
void restoreLoopsAndIdleOnRestart() {}

namespace {

void release(GLFWwindow* window, int key) { keyCallback(window, key, 0, GLFW_RELEASE, 0); }

class KeyBindingsGlTest : public testgl::GlTest {
protected:
    void SetUp() override {
        testgl::GlTest::SetUp();
        resetStateForTests();
        introActive = false;
    }
};

TEST_F(KeyBindingsGlTest, FullScreenToggleAndBack) {
    GLFWwindow* window = context->window();
    windowWidth = currentWidth = 64;
    windowHeight = currentHeight = 64;
    glfwGetWindowPos(window, &windowPosX, &windowPosY);
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    ASSERT_NE(mode, nullptr);

    release(window, GLFW_KEY_ENTER);
    EXPECT_TRUE(fullscreen);
    EXPECT_EQ(currentWidth, mode->width);
    EXPECT_EQ(currentHeight, mode->height);
    EXPECT_EQ(glfwGetWindowMonitor(window), glfwGetPrimaryMonitor());
    EXPECT_EQ(is16by9, mode->width * 9 == mode->height * 16);

    release(window, GLFW_KEY_ENTER);
    EXPECT_FALSE(fullscreen);
    EXPECT_EQ(currentWidth, 64);
    EXPECT_EQ(currentHeight, 64);
    EXPECT_EQ(glfwGetWindowMonitor(window), nullptr);
    EXPECT_FALSE(is16by9);

    // While paused Enter does nothing.
    paused = true;
    release(window, GLFW_KEY_ENTER);
    EXPECT_FALSE(fullscreen);
}

TEST_F(KeyBindingsGlTest, WireframeCullingAndQuit) {
    GLFWwindow* window = context->window();
    GLint mode[2] = {0, 0};
    release(window, GLFW_KEY_F1);
    EXPECT_TRUE(wireframe);
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_LINE);
    release(window, GLFW_KEY_F1);
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);

    release(window, GLFW_KEY_F2);
    EXPECT_TRUE(faceCulling);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    paused = true;
    release(window, GLFW_KEY_F2);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    paused = false;
    release(window, GLFW_KEY_F2);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));

    EXPECT_FALSE(glfwWindowShouldClose(window));
    release(window, GLFW_KEY_ESCAPE);
    EXPECT_TRUE(glfwWindowShouldClose(window));
}

}  // namespace
