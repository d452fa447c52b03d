#pragma once
// Every piece of global state of the framework, one line each. All of it is made by
// initFramework and given back by destroyFramework, before glfwTerminate; none of it is reset
// by the layers' test resets.
#include "framework/Framework.h"
#include "framework/GlLifetime.h"
#include "framework/Shader.h"

// ---- declared in Framework.h (they own OpenGL objects, so they stay beside the functions that
// make and delete them) ---------------------------------------------------------------------
//   defaultShader              the built-in program, made current by initFramework when none is
//   teapotVAO, teapotVBO,      the teapot mesh kept resident until teardown (nothing draws it)
//   teapotEBO, teapotIndexCount

// ---- file-local ------------------------------------------------------------------------------
//   contextAlive               (GlLifetime.cpp) an OpenGL context is current and takes calls;
//                              read by glContextAlive, set by initFramework, cleared by
//                              destroyFramework
//   releaseList()              (GlLifetime.cpp) the shutdown steps of every owner of OpenGL
//                              names, in the order they were made; releaseGlObjects runs them
//                              newest first
//   nextId                     (GlLifetime.cpp) the id of the next step, so an owner that dies
//                              first can take its own step off the list

// ---- constants made at start-up (not state) --------------------------------------------------
//   defaultVertexShaderSource, defaultFragmentShaderSource  (Shader.h) the default program's GLSL
