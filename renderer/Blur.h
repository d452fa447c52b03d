#pragma once
// The pause picture's blur: a horizontal pass into one window-sized texture, a vertical pass into
// a second, and the result copied back into the input texture.
#include <memory>

#include <glm/vec2.hpp>

#include "framework/GlHandle.h"

class Shader;

class Blur {
public:
    std::shared_ptr<Shader> horizontalShader;
    std::shared_ptr<Shader> verticalShader;
    GlVertexArray vao;
    GlBuffer vbo;
    float blurRadius = 8.0f;
    glm::vec2 texelSize{0.0f};

    static Blur* getInstance();

    // Blurs a currentWidth x currentHeight RGB texture in place and returns its handle. The
    // framebuffer and the two intermediate textures live only for the call.
    unsigned int apply(unsigned int texture);

    void release();

private:
    Blur();
};
