#include "renderer/LensFlare.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <glm/geometric.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "state/GlobalState.h"
#include "state/Settings.h"
#include "platform/gl/GL.h"
#include "renderer/TextureDXT5.h"

const glm::vec3 sunRenderPosition(0.0f, 10.0f, 200.0f);
const glm::vec3 sunPhysicsPosition(0.0f, 10.0f, -200.0f);

namespace {
const float spriteQuad[8] = {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, -0.5f, 0.5f, 0.5f};
}

LensFlare::LensFlare() {
    static FlareRenderer flareRenderer;
    renderer = &flareRenderer;
}

LensFlare* LensFlare::getInstance() {
    static LensFlare instance;
    static GlReleaseEntry releaseAtShutdown([] { instance.release(); });
    return &instance;
}

void LensFlare::init(std::shared_ptr<Shader> flareShader) {
    shader = flareShader;
    renderer->shader = flareShader;
    renderer->vao = GlVertexArray::generate();
    glBindVertexArray(renderer->vao);
    renderer->vbo = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, renderer->vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(spriteQuad), spriteQuad, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);

    std::shared_ptr<TextureDXT5> textures[9];
    for (int i = 0; i < 9; ++i) {
        textures[i] = std::make_shared<TextureDXT5>("../assets/textures/lensFlare/tex" + std::to_string(i + 1) + ".dds");
    }
    // Entry i is drawn i-th: (texture number, scale).
    const std::pair<int, float> table[10] = {{6, 0.07f}, {4, 0.07f}, {2, 0.05f}, {7, 0.018f}, {1, 0.015f},
                                             {3, 0.04f}, {9, 0.1f},  {5, 0.04f}, {4, 0.35f},  {8, 0.62f}};
    flares = std::make_shared<std::vector<lensFlare::FlareTexture>>();
    for (const auto& [number, scale] : table) {
        lensFlare::FlareTexture entry;
        entry.texture = textures[number - 1];
        entry.scale = scale;
        flares->push_back(entry);
    }
    spacing = 0.16f;
}

void LensFlare::release() {
    renderer->vao.release();
    renderer->vbo.release();
    renderer->shader.reset();
    flares.reset();
    shader.reset();
}

void updateSunScreenPosition() {
    const Camera& camera = *Camera::getInstance();
    const glm::vec4 clip = (camera.projection * camera.view) * glm::vec4(sunRenderPosition, 1.0f);
    const glm::vec3 ndc = glm::vec3(clip) / clip.w;
    sunScreenPos = glm::vec2(ndc.x, ndc.y);
    flareVisible = ndc.x >= -1.0f && ndc.x <= 1.0f && ndc.y >= -1.0f && ndc.y <= 1.0f && ndc.z >= -1.0f &&
                   ndc.z <= 1.0f;
}

PixelBox flareSquarePixels(const glm::vec4& transform, int viewportWidth, int viewportHeight) {
    const double w = static_cast<double>(viewportWidth);
    const double h = static_cast<double>(viewportHeight);
    // The quad in window pixels (y up): centre and size from the transform's screen fractions.
    const double centreX = static_cast<double>(transform.x) * w;
    const double centreY = (1.0 - static_cast<double>(transform.y)) * h;
    const double side = std::min(std::abs(static_cast<double>(transform.z)) * w,
                                 std::abs(static_cast<double>(transform.w)) * h);
    PixelBox box;
    if (!std::isfinite(centreX) || !std::isfinite(centreY) || !std::isfinite(side) || viewportWidth <= 0 ||
        viewportHeight <= 0) {
        box.width = std::max(viewportWidth, 0);
        box.height = std::max(viewportHeight, 0);
        return box;
    }
    // Two pixels of slack for the rasterizer's rounding; clamped to the viewport so the integer
    // conversions stay in range.
    const auto span = [](double centre, double half, int size, int& start, int& count) {
        const double low = std::clamp(std::floor(centre - half) - 2.0, 0.0, static_cast<double>(size));
        const double high = std::clamp(std::ceil(centre + half) + 2.0, 0.0, static_cast<double>(size));
        start = static_cast<int>(low);
        count = static_cast<int>(high) - start;
    };
    span(centreX, side * 0.5, viewportWidth, box.x, box.width);
    span(centreY, side * 0.5, viewportHeight, box.y, box.height);
    return box;
}

float flareBrightness(const glm::vec2& sunScreen) {
    const glm::vec2 d = glm::vec2(0.5f, 0.5f) - sunScreen;
    const float len = glm::length(d);
    return ((std::exp(-len / 0.7f) - 0.5f) * 2.0f) / 1.8f;
}

void LensFlare::render(float factor, bool sunVisible) {
    if (!flareVisible || !sunVisible || !flares || !renderer->shader) {
        return;
    }
    const glm::vec2 s((sunScreenPos.x + 1.0f) * 0.5f, (1.0f - sunScreenPos.y) * 0.5f);
    const glm::vec2 d = glm::vec2(0.5f, 0.5f) - s;
    const float brightness = flareBrightness(s);
    if (brightness <= 0.0f) {
        return;
    }
    for (std::size_t i = 0; i < flares->size(); ++i) {
        (*flares)[i].position = s + d * (static_cast<float>(i) * spacing);
    }
    renderer->draw(*flares, brightness, factor);
}

void FlareRenderer::draw(const std::vector<lensFlare::FlareTexture>& flares, float brightness, float factor) {
    shader->use();
    shader->setUniform("brightness", brightness);
    shader->setUniform("infoPointDistanceNorm", 1.0f - factor);
    glBindVertexArray(vao);
    // Whole-number width-to-height quotient: 1 for ordinary windows, as the sprites were tuned.
    const float k = currentHeight > 0 ? static_cast<float>(currentWidth / currentHeight) : 0.0f;
    // The program leaves everything outside the square in the middle of a sprite's quad fully
    // transparent, which blends to the pixel as it was: each sprite is scissored to its square.
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const bool scissorWasOn = glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE;
    GLint savedScissor[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_SCISSOR_BOX, savedScissor);
    const bool confine = !scissorWasOn && !drawEveryPassInFull;
    if (confine) {
        glEnable(GL_SCISSOR_TEST);
    }
    for (const lensFlare::FlareTexture& flare : flares) {
        if (flare.texture) {
            flare.texture->bind(0);
        }
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        const glm::vec4 transform(flare.position.x, flare.position.y, flare.scale, flare.scale * k);
        shader->setUniform("transform", transform);
        if (confine) {
            const PixelBox box = flareSquarePixels(transform, viewport[2], viewport[3]);
            glScissor(viewport[0] + box.x, viewport[1] + box.y, box.width, box.height);
        }
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
    if (confine) {
        glDisable(GL_SCISSOR_TEST);
        glScissor(savedScissor[0], savedScissor[1], savedScissor[2], savedScissor[3]);
    }
    glBindVertexArray(0);
    glUseProgram(0);
}
