#include "renderer/LensFlare.h"

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
    for (const lensFlare::FlareTexture& flare : flares) {
        if (flare.texture) {
            flare.texture->bind(0);
        }
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        shader->setUniform("transform", glm::vec4(flare.position.x, flare.position.y, flare.scale, flare.scale * k));
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }
    glBindVertexArray(0);
    glUseProgram(0);
}
