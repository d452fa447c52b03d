#include "renderer/GuiImage.h"

#include <utility>

#include "framework/Shader.h"
#include "state/Settings.h"
#include "platform/gl/GL.h"
#include "platform/system/Console.h"
#include "renderer/TextureDXT5.h"

namespace {

constexpr std::size_t floatsPerVertex = 4;  // x, y, u, v
constexpr std::size_t quadVertexCount = 6;
constexpr std::size_t quadFloatCount = floatsPerVertex * quadVertexCount;

}  // namespace

std::vector<float> fullScreenQuadVertices() {
    return {
        -1.0f, 1.0f,  0.0f, 1.0f,  //
        -1.0f, -1.0f, 0.0f, 0.0f,  //
        1.0f,  -1.0f, 1.0f, 0.0f,  //
        -1.0f, 1.0f,  0.0f, 1.0f,  //
        1.0f,  -1.0f, 1.0f, 0.0f,  //
        1.0f,  1.0f,  1.0f, 1.0f,
    };
}

void createQuadVertexArray(const std::vector<float>& vertices, GlVertexArray& vao, GlBuffer& vbo) {
    vao = GlVertexArray::generate();
    glBindVertexArray(vao);
    vbo = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)), vertices.data(),
                 GL_STATIC_DRAW);
    const GLsizei stride = static_cast<GLsizei>(floatsPerVertex * sizeof(float));
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, nullptr);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(2 * sizeof(float)));
    glEnableVertexAttribArray(1);
}

std::vector<float> cornerQuadVertices(int framebufferWidth, int framebufferHeight) {
    // A zero size (a minimised window) would give 0 / 0; the margin is the same at any size.
    const float w = framebufferWidth > 0 ? static_cast<float>(framebufferWidth) : 1.0f;
    const float h = framebufferHeight > 0 ? static_cast<float>(framebufferHeight) : 1.0f;
    const float left = (w / 30.0f) / (w * 0.5f) - 1.0f;
    const float bottom = (h / 30.0f) / (h * 0.5f) - 1.0f;
    const float right = left + 0.5f;
    const float top = bottom + 0.16666667f;
    return {
        left,  top,    0.0f, 1.0f,  //
        left,  bottom, 0.0f, 0.0f,  //
        right, bottom, 1.0f, 0.0f,  //
        left,  top,    0.0f, 1.0f,  //
        right, bottom, 1.0f, 0.0f,  //
        right, top,    1.0f, 1.0f,
    };
}

GuiImage::GuiImage(std::vector<float> vertices, std::string basePath, std::shared_ptr<Shader> guiShader) {
    if (vertices.size() < quadFloatCount) {
        // draw always reads six vertices; a shorter buffer would be read past its end.
        consoleLine("GuiImage: " + basePath + " needs a quad of at least 24 floats (6 vertices of x, y, u, v), got " +
                    std::to_string(vertices.size()) + "; the image is not loaded and draws nothing.");
        return;
    }
    shader = std::move(guiShader);
    const std::string fileName = basePath + (is16by9 ? "169.dds" : ".dds");
    texture = std::make_shared<TextureDXT5>(fileName);

    createQuadVertexArray(vertices, vao, vbo);
}

GuiImage::~GuiImage() { release(); }

GuiImage::GuiImage(GuiImage&& other) noexcept
    : vao(std::move(other.vao)),
      vbo(std::move(other.vbo)),
      shader(std::move(other.shader)),
      texture(std::move(other.texture)) {}

GuiImage& GuiImage::operator=(GuiImage&& other) noexcept {
    if (this != &other) {
        release();
        vao = std::move(other.vao);
        vbo = std::move(other.vbo);
        shader = std::move(other.shader);
        texture = std::move(other.texture);
    }
    return *this;
}

void GuiImage::release() {
    vao.release();
    vbo.release();
    texture.reset();
    shader.reset();
}

void GuiImage::draw(float alpha) {
    if (vao == 0 || !shader) {
        return;
    }
    shader->use();
    shader->setUniform("rotation", 0.0f);
    shader->setUniform("alpha", alpha);
    glBindVertexArray(vao);
    glBindTexture(GL_TEXTURE_2D, texture ? texture->handle : 0u);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(quadVertexCount));
}

Overlay* Overlay::getInstance() {
    static Overlay instance;
    static GlReleaseEntry releaseAtShutdown([] { instance.release(); });
    return &instance;
}

Overlay::Overlay() : vertices(fullScreenQuadVertices()) {}

void Overlay::loadImages(std::shared_ptr<Shader> guiShader) {
    shader = std::move(guiShader);
    const std::string images = "../assets/images/";
    title = GuiImage(vertices, images + "title", shader);
    loading = GuiImage(vertices, images + "loading", shader);
    failed = GuiImage(vertices, images + "failed", shader);
    success = GuiImage(vertices, images + "success", shader);
    red = GuiImage(vertices, images + "red", shader);
    pause = GuiImage(vertices, images + "pause", shader);
}

void Overlay::release() {
    title.release();
    loading.release();
    failed.release();
    success.release();
    red.release();
    pause.release();
    shader.reset();
}
