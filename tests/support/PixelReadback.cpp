#include "PixelReadback.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace testgl {

namespace {

// Sets the pack alignment to 1 for one read and puts the previous value back.
class TightPacking {
public:
    TightPacking() {
        glGetIntegerv(GL_PACK_ALIGNMENT, &previous_);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
    }
    ~TightPacking() { glPixelStorei(GL_PACK_ALIGNMENT, previous_); }
    TightPacking(const TightPacking&) = delete;
    TightPacking& operator=(const TightPacking&) = delete;

private:
    GLint previous_ = 4;
};

Pixels sized(int width, int height) {
    Pixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    return pixels;
}

}  // namespace

glm::ivec3 Pixels::rgb(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") lies outside the " << width << " x " << height << " image";
        return glm::ivec3(-1);
    }
    const unsigned char* p = at(x, y);
    return glm::ivec3(p[0], p[1], p[2]);
}

Pixels readPixels(GLuint framebuffer, int width, int height) {
    Pixels pixels = sized(width, height);
    glFinish();
    GLint previousRead = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previousRead);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadBuffer(framebuffer == 0 ? GL_BACK : GL_COLOR_ATTACHMENT0);
    {
        TightPacking packing;
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.rgba.data());
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previousRead));
    return pixels;
}

Pixels readTexture(GLuint texture, GLenum target) {
    const GLenum binding = target == GL_TEXTURE_2D ? GL_TEXTURE_2D : GL_TEXTURE_CUBE_MAP;
    glBindTexture(binding, texture);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(target, 0, GL_TEXTURE_HEIGHT, &height);
    Pixels pixels = sized(width, height);
    if (!pixels.empty()) {
        TightPacking packing;
        glGetTexImage(target, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.rgba.data());
    }
    return pixels;
}

bool near(const glm::ivec3& actual, const glm::ivec3& expected, int tolerance) {
    for (int k = 0; k < 3; ++k) {
        if (std::abs(actual[k] - expected[k]) > tolerance) {
            return false;
        }
    }
    return true;
}

std::string describe(const glm::ivec3& colour) {
    return "(" + std::to_string(colour.r) + ", " + std::to_string(colour.g) + ", " + std::to_string(colour.b) + ")";
}

}  // namespace testgl
