#pragma once
// The lens flare: ten sprites strung from the sun's screen position through the screen centre,
// drawn while the sun is on screen and a ray from the camera reaches the sun's sphere first.
#include <memory>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include "framework/GlHandle.h"

class Shader;
class TextureDXT5;

namespace lensFlare {
class FlareTexture {
public:
    std::shared_ptr<TextureDXT5> texture;
    float scale = 0.0f;          // size in screen units
    glm::vec2 position{0.0f};    // centre in screen units: 0..1 across, y growing downwards
};
}  // namespace lensFlare

class FlareRenderer {
public:
    GlVertexArray vao;
    GlBuffer vbo;
    std::shared_ptr<Shader> shader;

    void draw(const std::vector<lensFlare::FlareTexture>& flares, float brightness, float factor);
};

class LensFlare {
public:
    std::shared_ptr<std::vector<lensFlare::FlareTexture>> flares;
    std::shared_ptr<Shader> shader;
    float spacing = 0.0f;
    FlareRenderer* renderer = nullptr;

    static LensFlare* getInstance();
    void init(std::shared_ptr<Shader> flareShader);
    // Draws while the sun projects on screen (flareVisible) and `sunVisible` says the sun is not
    // hidden behind the level; the frame pass casts that ray.
    void render(float factor, bool sunVisible);
    void release();

private:
    LensFlare();
};

// The sun: drawn at this render-space point; its collision sphere is the same point with z negated.
extern const glm::vec3 sunRenderPosition;
extern const glm::vec3 sunPhysicsPosition;

// Projects the sun with the camera: writes sunScreenPos and flareVisible.
void updateSunScreenPosition();

// Brightness of the flare for the sun at screen point s (screen units, y down); <= 0: none.
float flareBrightness(const glm::vec2& sunScreen);

// Window pixels from the viewport's lower left corner, [x, x + width) x [y, y + height).
struct PixelBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The pixels a sprite drawn with `transform` (centre x, y and size across, down in screen units)
// can change: the square in the middle of its quad, as wide as the quad's shorter side, plus
// two pixels of slack, clamped to the viewport; the whole viewport when the transform is not
// finite.
PixelBox flareSquarePixels(const glm::vec4& transform, int viewportWidth, int viewportHeight);
