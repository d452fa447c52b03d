#include "renderer/Blur.h"

#include "framework/Shader.h"
#include "state/Settings.h"
#include "platform/gl/GL.h"
#include "renderer/GuiImage.h"

namespace {
void drawPass(Shader& shader, unsigned int input, const Blur& blur) {
    shader.use();
    glBindTexture(GL_TEXTURE_2D, input);
    shader.setUniform("blurRadius", blur.blurRadius);
    shader.setUniform("texelSize", blur.texelSize);
    glBindVertexArray(blur.vao);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
}
}  // namespace

Blur::Blur() { createQuadVertexArray(fullScreenQuadVertices(), vao, vbo); }

Blur* Blur::getInstance() {
    static Blur instance;
    return &instance;
}

void Blur::release() {
    if (vao) glDeleteVertexArrays(1, &vao);
    if (vbo) glDeleteBuffers(1, &vbo);
    vao = vbo = 0;
    verticalShader.reset();
    horizontalShader.reset();
}

unsigned int Blur::apply(unsigned int texture) {
    if (!horizontalShader || !verticalShader || currentWidth <= 0 || currentHeight <= 0) {
        return texture;
    }
    unsigned int framebuffer = 0;
    unsigned int targets[2] = {0, 0};
    glGenFramebuffers(1, &framebuffer);
    glGenTextures(2, targets);
    texelSize = glm::vec2(1.0f / static_cast<float>(currentWidth), 1.0f / static_cast<float>(currentHeight));
    for (unsigned int target : targets) {
        glBindTexture(GL_TEXTURE_2D, target);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, currentWidth, currentHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, targets[0], 0);
    drawPass(*horizontalShader, texture, *this);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, targets[1], 0);
    drawPass(*verticalShader, targets[0], *this);
    glBindTexture(GL_TEXTURE_2D, texture);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, currentWidth, currentHeight, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(2, targets);
    return texture;
}
