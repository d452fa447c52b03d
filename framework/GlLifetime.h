#pragma once

// Whether an OpenGL context is current and may still take calls. Objects that own OpenGL
// names check it in their destructors: once shutdown has cleared it (right before
// glfwTerminate), a destructor that runs later, for example a function-local singleton's
// after main has returned, makes no OpenGL call at all.
//
// initFramework sets it and destroyFramework, the last step before glfwTerminate, clears it.
// Shutdown releases every object's names while it is set.
bool glContextAlive();
void setGlContextAlive(bool alive);
