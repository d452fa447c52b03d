#pragma once
#include <string>

// GLEW is initialised on the same context as GLAD and serves OpenGL calls as well.
// These wrappers keep glew.h out of every other translation unit.
namespace glew {

// glewExperimental = true, then glewInit(). Returns GLEW's result code (0 = GLEW_OK).
unsigned int init();

// glewInit's result leaves the OpenGL entry points loaded: GLEW_OK, or, on a context not made
// through GLX, GLEW's complaint that there is no GLX display. Every other result is a failure.
bool started(unsigned int result, bool glxContext);

// glewGetErrorString of a code, as text.
std::string errorString(unsigned int code);

// GLEW_VERSION_3_0: the OpenGL 3.0 entry points are available.
bool hasVersion30();

// GLEW's own pointer to glDebugMessageCallback is present.
bool hasDebugMessageCallback();

}  // namespace glew
