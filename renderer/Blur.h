#pragma once
// The pause picture's blur: a horizontal pass into one window-sized texture, a vertical pass into
// a second, and the result copied back into the input texture.
#include <memory>

#include <glm/vec2.hpp>

class Shader;

class Blur {
public:
    std::shared_ptr<Shader> horizontalShader;
    std::shared_ptr<Shader> verticalShader;
    unsigned int vao = 0;
    unsigned int vbo = 0;
    float blurRadius = 8.0f;
    glm::vec2 texelSize{0.0f};

    static Blur* getInstance();

    // Blurs a currentWidth x currentHeight RGB texture in place and returns its handle.
    unsigned int apply(unsigned int texture);

    void release();

private:
    Blur();
};
