#pragma once
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gl/GL.h"

struct GLFWwindow;

namespace testgl {

// One integer of OpenGL state (-1 when the query set nothing).
inline GLint integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

// The size in bytes of a buffer object's data store (-1 when the query set nothing).
inline GLint bufferSize(GLuint buffer) {
    GLint size = -1;
    glBindBuffer(GL_COPY_READ_BUFFER, buffer);
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &size);
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return size;
}

// A hidden window with an OpenGL 4.3 core, forward-compatible debug context, current on the
// calling thread, with GLAD and GLEW loaded and synchronous debug output recorded. Needs an X
// display (run the "gl" tests under Xvfb). While it exists the framework's context-alive
// flag is set, so objects delete their OpenGL names as in the game. GLFW is initialised once
// per process; a context never terminates it (a fixture that ends with the game's shutdown
// does, and says so through glfwTerminated()).
//
// Use: link qv_test_gl, include "support/GlContext.h", derive fixtures from testgl::GlTest.
class GlContext {
public:
    explicit GlContext(int width = 64, int height = 64);
    ~GlContext();

    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    // False (with `error()` saying why) when GLFW, the window or a loader failed.
    bool ok() const { return window_ != nullptr; }
    const std::string& error() const { return error_; }
    GLFWwindow* window() const { return window_; }

    // Debug messages of type GL_DEBUG_TYPE_ERROR seen since creation or the last clear.
    const std::vector<std::string>& errors() const;
    void clearErrors();

    // After glfwTerminate, which the game's shutdown ends with and which destroys every window:
    // the window is gone, so the destructor leaves it alone, and the next context initialises
    // GLFW again.
    void glfwTerminated();

private:
    GLFWwindow* window_ = nullptr;
    std::string error_;
};

// A fixture whose every test runs with a fresh GlContext; a test fails at once when no
// context could be made, and fails at the end when OpenGL reported an error.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lets a test that provokes OpenGL errors on purpose check and drop them.
    std::vector<std::string> takeErrors();

    std::unique_ptr<GlContext> context;
};

}  // namespace testgl
