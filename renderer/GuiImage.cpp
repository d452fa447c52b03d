#include "renderer/GuiImage.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "framework/Shader.h"
#include "state/GlobalState.h"
#include "state/Settings.h"
#include "platform/gl/GL.h"
#include "platform/system/Console.h"
#include "renderer/TextureDXT5.h"

namespace {

constexpr std::size_t floatsPerVertex = 4;  // x, y, u, v
constexpr std::size_t quadVertexCount = 6;
constexpr std::size_t quadFloatCount = floatsPerVertex * quadVertexCount;

// Blending on with the game's one function, source alpha over one minus it: then a fragment of
// alpha 1 comes out as its own colour, whatever is under it.
bool blendsOverByAlpha() {
    if (glIsEnabled(GL_BLEND) != GL_TRUE) {
        return false;
    }
    GLint source = 0, destination = 0, equation = 0, sourceAlpha = 0, destinationAlpha = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &source);
    glGetIntegerv(GL_BLEND_DST_RGB, &destination);
    glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &sourceAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &destinationAlpha);
    return source == GL_SRC_ALPHA && destination == GL_ONE_MINUS_SRC_ALPHA && equation == GL_FUNC_ADD &&
           sourceAlpha == GL_SRC_ALPHA && destinationAlpha == GL_ONE_MINUS_SRC_ALPHA;
}

// Every fragment of a quad covering the viewport is written: filled polygons (F1 draws only
// their edges), no face culled (F2), and no test that could drop a fragment.
bool writesWholeQuad() {
    GLint polygonMode[2] = {GL_FILL, GL_FILL};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    GLboolean colorMask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    glGetBooleanv(GL_COLOR_WRITEMASK, colorMask);
    return polygonMode[0] == GL_FILL && glIsEnabled(GL_CULL_FACE) != GL_TRUE &&
           glIsEnabled(GL_SCISSOR_TEST) != GL_TRUE && glIsEnabled(GL_DEPTH_TEST) != GL_TRUE &&
           glIsEnabled(GL_STENCIL_TEST) != GL_TRUE && glIsEnabled(GL_RASTERIZER_DISCARD) != GL_TRUE &&
           colorMask[0] && colorMask[1] && colorMask[2] && colorMask[3];
}

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

PixelRect pixelsReachingVisibleTexels(const std::vector<VisibleTexels>& levels, int viewportWidth,
                                      int viewportHeight) {
    if (levels.empty() || viewportWidth <= 0 || viewportHeight <= 0) {
        return {};
    }
    // Texels per pixel across the full-screen quad; trilinear filtering reads the levels
    // floor(log2) and the one above it (only level 0 when magnifying). Two more levels cover
    // any approximation of the level of detail.
    const double footprint = std::max(static_cast<double>(levels[0].width) / viewportWidth,
                                      static_cast<double>(levels[0].height) / viewportHeight);
    const double lod = footprint > 1.0 ? std::log2(footprint) : 0.0;
    const std::size_t lastLevel = std::min(levels.size() - 1, static_cast<std::size_t>(std::floor(lod)) + 2);

    // The texture-coordinate range whose bilinear taps reach the box: a coordinate c reads the
    // texels floor(c * size - 0.5) and the one after it; one texel of slack on each side. A
    // range that crosses an edge reaches the opposite edge through the repeat wrapping.
    const auto reach = [](int first, int last, int size, double& low, double& high) {
        const double from = (first - 1.5) / size;
        const double to = (last + 2.5) / size;
        if (from < 0.0 || to > 1.0) {
            low = 0.0;
            high = 1.0;
        } else {
            low = std::min(low, from);
            high = std::max(high, to);
        }
    };
    double uLow = 2.0, uHigh = -1.0, vLow = 2.0, vHigh = -1.0;
    for (std::size_t level = 0; level <= lastLevel; ++level) {
        const VisibleTexels& box = levels[level];
        if (box.x1 < box.x0 || box.y1 < box.y0 || box.width <= 0 || box.height <= 0) {
            continue;
        }
        reach(box.x0, box.x1, box.width, uLow, uHigh);
        reach(box.y0, box.y1, box.height, vLow, vHigh);
    }
    if (uHigh < uLow || vHigh < vLow) {
        return {};
    }
    // The quad spans the viewport with coordinate 0 to 1: pixel p (from the left, or from the
    // bottom) is shaded with (p + 0.5) / size. Two pixels of slack.
    const auto pixels = [](double low, double high, int size, int& start, int& count) {
        const int first = std::max(0, static_cast<int>(std::floor(low * size - 0.5)) - 2);
        const int last = std::min(size - 1, static_cast<int>(std::ceil(high * size - 0.5)) + 2);
        start = first;
        count = std::max(0, last - first + 1);
    };
    PixelRect rect;
    pixels(uLow, uHigh, viewportWidth, rect.x, rect.width);
    pixels(vLow, vHigh, viewportHeight, rect.y, rect.height);
    return rect;
}

GuiImage::GuiImage(std::vector<float> vertices, std::string basePath, std::shared_ptr<Shader> guiShader) {
    if (vertices.size() < quadFloatCount) {
        // draw always reads six vertices; a shorter buffer would be read past its end.
        consoleLine("GuiImage: " + basePath + " needs a quad of at least 24 floats (6 vertices of x, y, u, v), got " +
                    std::to_string(vertices.size()) + "; the image is not loaded and draws nothing.");
        return;
    }
    shader = std::move(guiShader);
    fullScreen = vertices == fullScreenQuadVertices();
    const std::string fileName = basePath + (is16by9 ? "169.dds" : ".dds");
    texture = std::make_shared<TextureDXT5>(fileName);

    createQuadVertexArray(vertices, vao, vbo);
}

GuiImage::~GuiImage() { release(); }

GuiImage::GuiImage(GuiImage&& other) noexcept
    : vao(std::move(other.vao)),
      vbo(std::move(other.vbo)),
      shader(std::move(other.shader)),
      texture(std::move(other.texture)),
      visibleTexels(std::move(other.visibleTexels)),
      fullScreen(other.fullScreen) {}

GuiImage& GuiImage::operator=(GuiImage&& other) noexcept {
    if (this != &other) {
        release();
        vao = std::move(other.vao);
        vbo = std::move(other.vbo);
        shader = std::move(other.shader);
        texture = std::move(other.texture);
        visibleTexels = std::move(other.visibleTexels);
        fullScreen = other.fullScreen;
    }
    return *this;
}

void GuiImage::release() {
    vao.release();
    vbo.release();
    texture.reset();
    shader.reset();
    visibleTexels.clear();
    fullScreen = false;
}

bool GuiImage::coversViewport(float alpha) const {
    return fullScreen && alpha == 1.0f && vao != 0 && shader && texture && texture->handle != 0 && texture->opaque &&
           writesWholeQuad();
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
    const bool confined = !visibleTexels.empty() && !drawEveryPassInFull;
    if (confined) {
        GLint viewport[4] = {0, 0, 0, 0};
        glGetIntegerv(GL_VIEWPORT, viewport);
        const PixelRect rect = pixelsReachingVisibleTexels(visibleTexels, viewport[2], viewport[3]);
        glEnable(GL_SCISSOR_TEST);
        glScissor(viewport[0] + rect.x, viewport[1] + rect.y, rect.width, rect.height);
    }
    const bool replaces = alpha == 1.0f && texture && texture->opaque && !drawEveryPassInFull && blendsOverByAlpha();
    if (replaces) {
        glDisable(GL_BLEND);
    }
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(quadVertexCount));
    if (replaces) {
        glEnable(GL_BLEND);
    }
    if (confined) {
        glDisable(GL_SCISSOR_TEST);
    }
}

void GuiImage::confineToVisibleTexels() {
    visibleTexels.clear();
    if (!texture || texture->handle == 0) {
        return;
    }
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, texture->handle);
    GLint maxLevel = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &maxLevel);
    std::vector<unsigned char> texels;
    std::vector<VisibleTexels> levels;
    for (GLint level = 0; level <= maxLevel; ++level) {
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
        if (width <= 0 || height <= 0) {
            break;
        }
        // Four bytes a texel: every row is aligned whatever the pack alignment is.
        texels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        VisibleTexels box;
        box.width = width;
        box.height = height;
        box.x0 = width;
        box.y0 = height;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::size_t texel = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                          static_cast<std::size_t>(x);
                if (texels[texel * 4 + 3] != 0) {
                    box.x0 = std::min(box.x0, x);
                    box.x1 = std::max(box.x1, x);
                    box.y0 = std::min(box.y0, y);
                    box.y1 = std::max(box.y1, y);
                }
            }
        }
        levels.push_back(box);
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    visibleTexels = std::move(levels);
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
