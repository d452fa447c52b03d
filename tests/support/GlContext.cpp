#include "GlContext.h"

#include <GLFW/glfw3.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "framework/GlLifetime.h"
#include "platform/gl/GlewLoader.h"
#include "platform/gl/GlfwPlatform.h"

namespace testgl {

namespace {

std::vector<std::string>& recordedErrors() {
    static std::vector<std::string> errors;
    return errors;
}

std::string& lastGlfwError() {
    static std::string text;
    return text;
}

void recordGlfwError(int code, const char* description) {
    lastGlfwError() = "GLFW error " + std::to_string(code) + ": " + (description ? description : "");
}

void GLAPIENTRY recordDebugMessage(GLenum, GLenum type, GLuint, GLenum, GLsizei length, const GLchar* message,
                                   const void*) {
    if (type == GL_DEBUG_TYPE_ERROR) {
        recordedErrors().emplace_back(message, length >= 0 ? static_cast<std::size_t>(length) : 0);
    }
}

bool glfwInitialised = false;

// GLFW stays initialised for the whole test process: one X connection instead of one per
// test. Opening the display is retried, since a freshly started Xvfb may not accept
// connections at once.
bool initGlfwOnce() {
    if (glfwInitialised) {
        return true;
    }
    glfwSetErrorCallback(recordGlfwError);
    glfwPlatform::preferX11WhereOnlyXIsNamed();
    for (int attempt = 0; attempt < 10 && !glfwInitialised; ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        glfwInitialised = glfwInit() == GLFW_TRUE;
    }
    return glfwInitialised;
}

}  // namespace

GlContext::GlContext(int width, int height) {
    if (!initGlfwOnce()) {
        error_ = "glfwInit failed (is there an X display? run under xvfb-run): " + lastGlfwError();
        return;
    }
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    window_ = glfwCreateWindow(width, height, "gl test", nullptr, nullptr);
    if (window_ == nullptr) {
        error_ = "glfwCreateWindow failed for a 4.3 core context: " + lastGlfwError();
        return;
    }
    glfwMakeContextCurrent(window_);
    if (gladLoadGL(glfwGetProcAddress) == 0) {
        error_ = "gladLoadGL failed";
    } else if (!glew::started(glew::init(), glfwPlatform::contextIsGlx(window_))) {
        error_ = "glewInit failed";
    }
    if (!error_.empty()) {
        glfwDestroyWindow(window_);
        window_ = nullptr;
        return;
    }
    recordedErrors().clear();
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(recordDebugMessage, nullptr);
    setGlContextAlive(true);
}

GlContext::~GlContext() {
    if (window_ == nullptr) {
        return;
    }
    setGlContextAlive(false);
    glfwDestroyWindow(window_);
}

const std::vector<std::string>& GlContext::errors() const { return recordedErrors(); }

void GlContext::clearErrors() { recordedErrors().clear(); }

void GlContext::glfwTerminated() {
    window_ = nullptr;
    glfwInitialised = false;
}

void GlTest::SetUp() {
    context = std::make_unique<GlContext>();
    ASSERT_TRUE(context->ok()) << context->error();
}

void GlTest::TearDown() {
    if (context && context->ok()) {
        for (const std::string& message : context->errors()) {
            ADD_FAILURE() << "OpenGL error: " << message;
        }
    }
    context.reset();
}

std::vector<std::string> GlTest::takeErrors() {
    std::vector<std::string> errors = context->errors();
    context->clearErrors();
    return errors;
}

}  // namespace testgl
