#include "game/Callbacks.h"

#include <iostream>

namespace {

// Categories of the AMD debug-output extension, which older drivers report instead of the
// core sources and types.
constexpr GLenum amdApiError = 0x9149;
constexpr GLenum amdWindowSystem = 0x914A;
constexpr GLenum amdDeprecation = 0x914B;
constexpr GLenum amdUndefinedBehavior = 0x914C;
constexpr GLenum amdPerformance = 0x914D;
constexpr GLenum amdShaderCompiler = 0x914E;
constexpr GLenum amdApplication = 0x914F;
constexpr GLenum amdOther = 0x9150;

// Driver chatter that carries no news (buffer placement hints, shader recompiles).
constexpr GLuint ignoredIdBufferInfo = 131185;
constexpr GLuint ignoredIdShaderRecompile = 131218;

const char* sourceWord(GLenum source) {
    switch (source) {
    case GL_DEBUG_SOURCE_API:
    case amdApiError:
        return "API";
    case GL_DEBUG_SOURCE_WINDOW_SYSTEM:
    case amdWindowSystem:
        return "Window System";
    case GL_DEBUG_SOURCE_SHADER_COMPILER:
    case amdShaderCompiler:
        return "Shader Compiler";
    case GL_DEBUG_SOURCE_THIRD_PARTY:
        return "Third Party";
    case GL_DEBUG_SOURCE_APPLICATION:
    case amdApplication:
        return "Application";
    case GL_DEBUG_SOURCE_OTHER:
    case amdOther:
        return "Other";
    default:
        return "Unknown";
    }
}

const char* typeWord(GLenum type) {
    switch (type) {
    case GL_DEBUG_TYPE_ERROR:
        return "Error";
    case GL_DEBUG_TYPE_DEPRECATED_BEHAVIOR:
    case amdDeprecation:
        return "Deprecated Behavior";
    case GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR:
    case amdUndefinedBehavior:
        return "Undefined Behavior";
    case GL_DEBUG_TYPE_PORTABILITY:
        return "Portability";
    case GL_DEBUG_TYPE_PERFORMANCE:
    case amdPerformance:
        return "Performance";
    case GL_DEBUG_TYPE_OTHER:
    case amdOther:
        return "Other";
    default:
        return "Unknown";
    }
}

const char* severityWord(GLenum severity) {
    switch (severity) {
    case GL_DEBUG_SEVERITY_HIGH:
        return "High";
    case GL_DEBUG_SEVERITY_MEDIUM:
        return "Medium";
    case GL_DEBUG_SEVERITY_LOW:
        return "Low";
    default:
        return "Unknown";
    }
}

}  // namespace

void glfwErrorCallback(int error, const char* description) {
    std::cout << "GLFW error " << error << ": " << (description ? description : "") << std::endl;
}

void GLAD_API_PTR glDebugOutputCallback(GLenum source, GLenum type, GLuint id, GLenum severity,
                                        GLsizei length, const GLchar* message, const void* userParam) {
    (void)length;
    (void)userParam;
    if (id == ignoredIdBufferInfo || id == ignoredIdShaderRecompile) {
        return;
    }
    std::cout << formatDebugMessage(source, type, id, severity, message) << std::endl;
}

std::string formatDebugMessage(GLenum source, GLenum type, GLuint id, GLenum severity,
                               const char* message) {
    std::string line = "OpenGL Error: ";
    line += message ? message : "";
    line += " [Source = ";
    line += sourceWord(source);
    line += ", Type = ";
    line += typeWord(type);
    line += ", Severity = ";
    line += severityWord(severity);
    line += ", ID = ";
    line += std::to_string(id);
    line += "]";
    return line;
}
