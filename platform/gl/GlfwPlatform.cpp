#include "platform/gl/GlfwPlatform.h"

#include <GLFW/glfw3.h>

#include <cstdlib>

namespace glfwPlatform {

#ifdef GLFW_PLATFORM_X11
namespace {

bool named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

}  // namespace
#endif

void preferX11WhereOnlyXIsNamed() {
#ifdef GLFW_PLATFORM_X11
    if (named("DISPLAY") && !named("WAYLAND_DISPLAY")) {
        glfwInitHint(GLFW_PLATFORM, GLFW_PLATFORM_X11);
    }
#endif
}

bool windowPositionReadable() {
#ifdef GLFW_PLATFORM_WAYLAND
    return glfwGetPlatform() != GLFW_PLATFORM_WAYLAND;
#else
    return true;
#endif
}

void setSwapInterval(bool vsync) {
#ifdef GLFW_PLATFORM_WAYLAND
    if (glfwGetPlatform() == GLFW_PLATFORM_WAYLAND) {
        vsync = false;
    }
#endif
    glfwSwapInterval(vsync ? 1 : 0);
}

bool contextIsGlx(GLFWwindow* window) {
    const int api = glfwGetWindowAttrib(window, GLFW_CONTEXT_CREATION_API);
    if (api != GLFW_NATIVE_CONTEXT_API) {
        return false;
    }
    // The native API is GLX on X11 only (on Wayland it is EGL).
#ifdef GLFW_PLATFORM_X11
    return glfwGetPlatform() == GLFW_PLATFORM_X11;
#else
    return true;
#endif
}

}  // namespace glfwPlatform
