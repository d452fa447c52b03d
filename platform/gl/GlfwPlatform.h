#pragma once
// Where GLFW can run on more than one window system (X11 and Wayland from GLFW 3.4 on), the
// few things that differ between them.
struct GLFWwindow;

namespace glfwPlatform {

// Before glfwInit. A GLFW built for Wayland and X11 tries Wayland first, and where no
// compositor runs it says so on the console at every start. With an X display named and no
// Wayland display it is told to use X11 straight away; otherwise it chooses as it would.
// (A GLFW built for X11 alone has nothing to choose.)
void preferX11WhereOnlyXIsNamed();

// The window system lets a program read where its window stands. Wayland does not: asking
// there only raises a GLFW error.
bool windowPositionReadable();

// The window's OpenGL context was made through GLX (rather than EGL or OSMesa).
bool contextIsGlx(GLFWwindow* window);

}  // namespace glfwPlatform
