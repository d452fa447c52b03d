#include <GL/glew.h>

#include "platform/gl/GlewLoader.h"

namespace glew {

unsigned int init() {
    glewExperimental = GL_TRUE;
    GLenum result = glewInit();
    // glewInit probes with a call that core profiles reject; drop the stale error flag.
    while (glGetError() != GL_NO_ERROR) {
    }
    return result;
}

bool started(unsigned int result, bool glxContext) {
    if (result == GLEW_OK) {
        return true;
    }
#ifdef GLEW_ERROR_NO_GLX_DISPLAY
    // A GLEW built for GLX loads the OpenGL entry points first and only then looks for a GLX
    // display, which an EGL context (a Wayland window's) does not have: the entry points are
    // there all the same.
    return !glxContext && result == GLEW_ERROR_NO_GLX_DISPLAY;
#else
    (void)glxContext;
    return false;
#endif
}

std::string errorString(unsigned int code) {
    const GLubyte* text = glewGetErrorString(code);
    return text ? reinterpret_cast<const char*>(text) : std::string();
}

bool hasVersion30() { return GLEW_VERSION_3_0 != 0; }

bool hasDebugMessageCallback() { return glDebugMessageCallback != nullptr; }

}  // namespace glew
