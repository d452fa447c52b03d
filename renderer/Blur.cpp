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
    static GlReleaseEntry releaseAtShutdown([] { instance.release(); });
    return &instance;
}

void Blur::release() {
    vao.release();
    vbo.release();
    verticalShader.reset();
    horizontalShader.reset();
}

unsigned int Blur::apply(unsigned int texture) {
    if (!horizontalShader || !verticalShader || currentWidth <= 0 || currentHeight <= 0) {
        return texture;
    }
    GlFramebuffer framebuffer = GlFramebuffer::generate();
    GLuint targetNames[2] = {0, 0};
    glGenTextures(2, targetNames);
    GlTexture targets[2] = {GlTexture(targetNames[0]), GlTexture(targetNames[1])};
    texelSize = glm::vec2(1.0f / static_cast<float>(currentWidth), 1.0f / static_cast<float>(currentHeight));
    for (const GlTexture& target : targets) {
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
    framebuffer.release();
    targets[0].release();
    targets[1].release();
    return texture;
}
