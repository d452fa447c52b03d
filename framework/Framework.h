#pragma once
#include <cstdint>
#include <memory>

#include "framework/GlHandle.h"
#include "framework/Shader.h"

// The built-in default shader, made current by initFramework when no program is current.
extern std::unique_ptr<Shader> defaultShader;

// The teapot mesh the framework keeps resident until teardown (nothing draws it).
extern GlVertexArray teapotVAO;
extern GlBuffer teapotVBO;       // 512 positions of 3 floats
extern GlBuffer teapotEBO;       // 1728 unsigned 32-bit indices
extern std::uint32_t teapotIndexCount;

// Checks the context and the loaders, makes the default shader current when no program is,
// uploads the teapot and marks the context alive (GlLifetime.h). Needs GLAD and GLEW loaded.
// Prints one line and returns false when no context is current or GLEW lacks OpenGL 3.0.
bool initFramework();

// Runs the release list (GlLifetime.h), so every registered owner gives its names back, newest
// first; then deletes the teapot's buffers and vertex array and the default shader (which
// leaves no program current), the oldest names; then marks the context gone. glfwTerminate
// follows it. Destructors that run later make no OpenGL call.
void destroyFramework();

// Uploads the teapot geometry; called by initFramework.
void createTeapotMesh();
