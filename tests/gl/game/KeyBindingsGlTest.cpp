// The keys that reach into GLFW and OpenGL: full screen, wireframe, culling, quit.
#include <GlContext.h>

#include <GLFW/glfw3.h>

#include <vector>

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
    // CTest runs this program on a screen of its own (tests/gl/game/CMakeLists.txt).
    ASSERT_EQ(mode->width, 1920) << "run on a 1920 x 1080 screen";
    ASSERT_EQ(mode->height, 1080) << "run on a 1920 x 1080 screen";
    auto viewport = [] {
        GLint v[4] = {0, 0, 0, 0};
        glGetIntegerv(GL_VIEWPORT, v);
        return std::vector<GLint>(v, v + 4);
    };

    release(window, GLFW_KEY_ENTER);
    EXPECT_TRUE(fullscreen);
    EXPECT_EQ(currentWidth, 1920);
    EXPECT_EQ(currentHeight, 1080);
    EXPECT_EQ(glfwGetWindowMonitor(window), glfwGetPrimaryMonitor());
    EXPECT_TRUE(is16by9) << "after a toggle a 16:9 monitor counts as 16:9 by its ratio";
    // Every pass draws into the viewport as it stands: the toggle makes it the new size.
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 1920, 1080}));

    release(window, GLFW_KEY_ENTER);
    EXPECT_FALSE(fullscreen);
    EXPECT_EQ(currentWidth, 64);
    EXPECT_EQ(currentHeight, 64);
    EXPECT_EQ(glfwGetWindowMonitor(window), nullptr);
    EXPECT_FALSE(is16by9);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 64, 64}));

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
