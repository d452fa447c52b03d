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

std::string errorString(unsigned int code) {
    const GLubyte* text = glewGetErrorString(code);
    return text ? reinterpret_cast<const char*>(text) : std::string();
}

bool hasVersion30() { return GLEW_VERSION_3_0 != 0; }

bool hasDebugMessageCallback() { return glDebugMessageCallback != nullptr; }

}  // namespace glew
