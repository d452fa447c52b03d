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

// Sets the swap interval of the current context for the `vsync` setting: 1 (wait for the
// vertical blank) or 0. On Wayland it is always 0. There the compositor shows no torn frame
// whatever the interval, and with 1 the swap waits for the compositor to ask for the next frame,
// which it never does while the window is not shown (another workspace, minimised): the game
// would stay in the swap and not see the compositor close its window. The frame gate paces the
// frames there as everywhere.
void setSwapInterval(bool vsync);

// The window's OpenGL context was made through GLX (rather than EGL or OSMesa).
bool contextIsGlx(GLFWwindow* window);

}  // namespace glfwPlatform
