#pragma once
// The one OpenGL header of the game's own code: the GLAD loader's declarations.
// GLEW's header cannot share a translation unit with it, so everything GLEW-specific
// sits behind the small interface of GlewLoader.h.
#include <glad/gl.h>
