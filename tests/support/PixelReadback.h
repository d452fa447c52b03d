#pragma once
// Reading back what was drawn or uploaded: the colour buffer of the default framebuffer or of a
// framebuffer object, or a texture image, as RGBA bytes, and the colour comparisons the tests
// make on them.
#include <string>
#include <vector>

#include <glm/vec3.hpp>

#include "platform/gl/GL.h"

namespace testgl {

// RGBA bytes, row 0 first: for a framebuffer that is the bottom row (OpenGL's window
// coordinates), for a texture its t = 0 row.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;

    bool empty() const { return rgba.empty(); }
    // The four bytes of pixel (x, y), unchecked, for loops over the whole image.
    const unsigned char* at(int x, int y) const {
        return &rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4];
    }
    // The colour of pixel (x, y); one outside the image fails the test and reads (-1, -1, -1).
    glm::ivec3 rgb(int x, int y) const;
};

// Waits for the drawing to finish and reads `width` x `height` pixels from the lower-left
// corner of `framebuffer`'s colour: the back buffer of the default framebuffer (0), else the
// first colour attachment. The read-framebuffer binding and the pack alignment are left as
// they were. The test windows and targets are single-sampled: a multisampled framebuffer would
// need a resolving blit first (reading it directly is an OpenGL error, which fails the test).
Pixels readPixels(GLuint framebuffer, int width, int height);

// Level 0 of a 2D texture, or of one face of a cube map (`target` GL_TEXTURE_CUBE_MAP_POSITIVE_X
// and on), as RGBA bytes; empty (width 0) when the image has no storage.
Pixels readTexture(GLuint texture, GLenum target = GL_TEXTURE_2D);

// Whether every channel of `actual` lies within `tolerance` of `expected`.
bool near(const glm::ivec3& actual, const glm::ivec3& expected, int tolerance);

// For messages: "(r, g, b)".
std::string describe(const glm::ivec3& colour);

}  // namespace testgl
