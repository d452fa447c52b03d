#pragma once
// Reports of the windowing library and the OpenGL driver, turned into console lines.
// Both callbacks only print: they neither stop the game nor change its state.
#include <string>

#include "platform/gl/GL.h"

// "GLFW error <code in decimal>: <description>"
void glfwErrorCallback(int error, const char* description);

// Installed with glDebugMessageCallback (synchronous output, so it runs inside the OpenGL call
// that raised the message). Prints formatDebugMessage's line, except for ids 131185 and 131218.
// GLAD_API_PTR is the calling convention GLDEBUGPROC asks for (APIENTRY).
void GLAD_API_PTR glDebugOutputCallback(GLenum source, GLenum type, GLuint id, GLenum severity,
                                        GLsizei length, const GLchar* message, const void* userParam);

// "OpenGL Error: <message> [Source = <word>, Type = <word>, Severity = <word>, ID = <id>]"
std::string formatDebugMessage(GLenum source, GLenum type, GLuint id, GLenum severity,
                               const char* message);
