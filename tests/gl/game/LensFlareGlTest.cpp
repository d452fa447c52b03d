// The lens flare through its real program and the physics scene: the sprite table, when it
// draws, where its sprites go, the uniforms it sends and how a sprite stands on screen.
#include <memory>

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "support/PeripheryGl.h"
#include "framework/Shader.h"
#include "game/SunVisibility.h"
#include "state/Camera.h"
#include "state/GlobalState.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "state/Settings.h"
#include "renderer/LensFlare.h"
#include "renderer/TextureDXT5.h"

using periph::PeripheryGlTest;
using periph::Target;

namespace {

const glm::vec2 untouched(-7.0f, -7.0f);

class LensFlareGl : public PeripheryGlTest {
protected:
    void SetUp() override {
        PeripheryGlTest::SetUp();
        if (!physxScene) {
            ASSERT_TRUE(initPhysX());
            static Level level(20.0f, 3.0f, 0.5f);
            level.buildLayout();
            level.createHitboxes();
        }
        flare = LensFlare::getInstance();
        if (!flare->flares) {
            flare->init(std::make_shared<Shader>("../assets/shaders/FlareShader/flareShader.vert",
                                                 "../assets/shaders/FlareShader/flareShader.frag"));
        }
        for (lensFlare::FlareTexture& entry : *flare->flares) {
            entry.position = untouched;
        }
    }

    // The camera at a render-space eye (stored in physics space), looking at a render-space point.
    static void look(const glm::vec3& eye, const glm::vec3& at, float aspect = 16.0f / 9.0f) {
        Camera& camera = *Camera::getInstance();
        camera.position = glm::vec3(eye.x, eye.y, -eye.z);
        camera.view = glm::lookAt(eye, at, glm::vec3(0, 1, 0));
        camera.projection = glm::perspective(glm::radians(45.0f), aspect, 0.1f, 250.0f);
    }

    // Draws the flare the way the frame pass does and tells how many pixels it lit.
    int drawFlare(Target& target, float factor) {
        target.clear(0, 0, 0);
        updateSunScreenPosition();
        flare->render(factor, flareVisible && isSunVisible());
        const testgl::Pixels drawn = target.read();
        int lit = 0;
        for (int y = 0; y < target.height; ++y) {
            for (int x = 0; x < target.width; ++x) {
                lit += drawn.rgb(x, y) != glm::ivec3(0) ? 1 : 0;
            }
        }
        return lit;
    }

    bool positionsUntouched() const {
        for (const lensFlare::FlareTexture& entry : *flare->flares) {
            if (entry.position != untouched) return false;
        }
        return true;
    }

    float uniform(const std::string& name) const { return periph::uniformValues(flare->shader->program, name, 1)[0]; }
    glm::vec4 transform() const {
        const std::vector<float> v = periph::uniformValues(flare->shader->program, "transform", 4);
        return glm::vec4(v[0], v[1], v[2], v[3]);
    }

    LensFlare* flare = nullptr;
};

}  // namespace

TEST_F(LensFlareGl, TableHoldsTenSpritesOfNineTextures) {
    ASSERT_EQ(flare->flares->size(), 10u);
    EXPECT_EQ(flare->spacing, 0.16f);
    EXPECT_EQ(flare->renderer->shader, flare->shader);
    const float scales[10] = {0.07f, 0.07f, 0.05f, 0.018f, 0.015f, 0.04f, 0.1f, 0.04f, 0.35f, 0.62f};
    const auto& table = *flare->flares;
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(table[i].scale, scales[i]) << "entry " << i;
        ASSERT_NE(table[i].texture, nullptr);
        for (std::size_t j = 0; j < i; ++j) {
            // tex4 serves entries 1 and 8 through one texture; all others differ.
            EXPECT_EQ(table[i].texture == table[j].texture, i == 8 && j == 1) << "entries " << j << " and " << i;
        }
    }
}

TEST_F(LensFlareGl, SunAtTheCentreDrawsAtFullBrightnessWithEverySpriteOnIt) {
    look(glm::vec3(0.0f, 10.0f, 100.0f), sunRenderPosition);
    Target target(160, 90);
    EXPECT_GT(drawFlare(target, 1.0f), 200);
    EXPECT_TRUE(flareVisible);
    for (const lensFlare::FlareTexture& entry : *flare->flares) {
        EXPECT_NEAR(entry.position.x, 0.5f, 1e-4f);
        EXPECT_NEAR(entry.position.y, 0.5f, 1e-4f);
    }
    EXPECT_NEAR(uniform("brightness"), 0.556f, 5e-4f);
    EXPECT_EQ(uniform("infoPointDistanceNorm"), 0.0f);
    drawFlare(target, 0.0f);
    EXPECT_EQ(uniform("infoPointDistanceNorm"), 1.0f);
    GLint current = -1, vertexArray = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(vertexArray, 0);
}

// The sprites run from the sun through the centre: entry 0 on the sun, 6.25 steps reach the
// centre, the last ones lie beyond it on the far side.
TEST_F(LensFlareGl, SpritesLieOnTheLineFromTheSunThroughTheCentre) {
    Camera& camera = *Camera::getInstance();
    camera.position = glm::vec3(0.0f, 10.0f, -100.0f);
    camera.projection = glm::mat4(1.0f);
    // The sun at ndc (0.4, 0.2): screen (0.7, 0.4), y down.
    camera.view = glm::translate(glm::mat4(1.0f), glm::vec3(0.4f, 0.2f, 0.0f) - sunRenderPosition);
    Target target(32, 32);
    EXPECT_GT(drawFlare(target, 1.0f), 0);
    const glm::vec2 s(0.7f, 0.4f), d = glm::vec2(0.5f) - s;
    for (std::size_t i = 0; i < 10; ++i) {
        const glm::vec2 expected = s + d * (static_cast<float>(i) * 0.16f);
        EXPECT_NEAR((*flare->flares)[i].position.x, expected.x, 1e-5f) << "entry " << i;
        EXPECT_NEAR((*flare->flares)[i].position.y, expected.y, 1e-5f) << "entry " << i;
    }
    EXPECT_GT((*flare->flares)[9].position.x, 0.5f - 0.2f);
    EXPECT_LT((*flare->flares)[9].position.x, 0.5f);
}

TEST_F(LensFlareGl, PlatformBetweenCameraAndSunHidesTheFlareOnScreen) {
    // Under the start platform, looking up at the sun.
    look(glm::vec3(0.0f, -4.0f, -18.0f), sunRenderPosition);
    Target target(160, 90);
    EXPECT_EQ(drawFlare(target, 1.0f), 0);
    EXPECT_TRUE(flareVisible) << "the sun is on screen; only the ray hides it";
    EXPECT_TRUE(positionsUntouched());
}

TEST_F(LensFlareGl, NothingDrawsOnceTheSunIsTooFarFromTheCentre) {
    Camera& camera = *Camera::getInstance();
    camera.position = glm::vec3(0.0f, 10.0f, -100.0f);
    camera.projection = glm::mat4(1.0f);
    Target target(32, 32);
    // ndc x 0.9706: 0.4853 screen units from the centre, still on screen.
    camera.view = glm::translate(glm::mat4(1.0f), glm::vec3(0.9706f, 0.0f, 0.0f) - sunRenderPosition);
    EXPECT_EQ(drawFlare(target, 1.0f), 0);
    EXPECT_TRUE(flareVisible);
    EXPECT_TRUE(positionsUntouched());
    // 0.48 from the centre: drawn, faintly.
    camera.view = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, -0.96f, 0.0f) - sunRenderPosition);
    drawFlare(target, 1.0f);
    EXPECT_FALSE(positionsUntouched());
    EXPECT_GT(uniform("brightness"), 0.0f);
    EXPECT_LT(uniform("brightness"), 0.01f);
}

TEST_F(LensFlareGl, NothingDrawsBeyondTheRaysReachOrWithTheSunOffScreen) {
    Target target(160, 90);
    // 510 units behind the sun's centre, looking at it.
    look(glm::vec3(0.0f, 10.0f, -310.0f), sunRenderPosition);
    Camera::getInstance()->projection = glm::perspective(glm::radians(45.0f), 16.0f / 9.0f, 0.1f, 1000.0f);
    EXPECT_EQ(drawFlare(target, 1.0f), 0);
    EXPECT_TRUE(flareVisible);
    // Looking away from it.
    look(glm::vec3(0.0f, 10.0f, 100.0f), glm::vec3(0.0f, 10.0f, 0.0f));
    EXPECT_EQ(drawFlare(target, 1.0f), 0);
    EXPECT_FALSE(flareVisible);
    EXPECT_TRUE(positionsUntouched());
}

// The sprite's height is its scale times the whole-number width-to-height quotient.
TEST_F(LensFlareGl, TransformHeightFollowsTheWholeNumberAspect) {
    Target target(32, 32);
    target.clear(0, 0, 0);
    for (lensFlare::FlareTexture& entry : *flare->flares) entry.position = glm::vec2(0.25f, 0.75f);
    struct Window {
        int width, height;
        float k;
    };
    for (const Window& w : {Window{1280, 720, 1.0f}, Window{2560, 1080, 2.0f}, Window{1280, 768, 1.0f},
                            Window{720, 1280, 0.0f}, Window{3840, 1080, 3.0f}}) {
        currentWidth = w.width;
        currentHeight = w.height;
        flare->renderer->draw(*flare->flares, 0.3f, 0.25f);
        // The last sprite drawn is entry 9, scale 0.62.
        EXPECT_EQ(transform(), glm::vec4(0.25f, 0.75f, 0.62f, 0.62f * w.k)) << w.width << " x " << w.height;
        EXPECT_EQ(uniform("brightness"), 0.3f);
        EXPECT_EQ(uniform("infoPointDistanceNorm"), 0.75f);
    }
}

// A sprite is centred on its position (y down) and stands upright: the image's first row, which
// the decoder delivers first (t = 0), is the sprite's top.
TEST_F(LensFlareGl, SpriteStandsUprightWhereItsPositionSays) {
    std::vector<lensFlare::FlareTexture> table(1);
    table[0].texture = (*flare->flares)[0].texture;
    table[0].scale = 0.4f;
    table[0].position = glm::vec2(0.25f, 0.25f);  // upper left quadrant
    const unsigned char rows[2 * 2 * 4] = {255, 0, 0, 255, 255, 0, 0, 255,   // first row: red
                                           0, 255, 0, 255, 0, 255, 0, 255};  // second row: green
    // A private texture with the two rows, bound through the sprite's texture object.
    const std::shared_ptr<TextureDXT5> sprite = std::make_shared<TextureDXT5>("../assets/textures/lensFlare/tex1.dds");
    glBindTexture(GL_TEXTURE_2D, sprite->handle);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, rows);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    table[0].texture = sprite;
    currentWidth = currentHeight = 100;
    Target target(100, 100);
    target.clear(0, 0, 0);
    flare->renderer->draw(table, 1.0f / 1.8f, 1.0f);
    const testgl::Pixels drawn = target.read();
    // Window rows count upwards: screen y 0.25 is window row 75; the sprite spans 20 pixels
    // each way.
    const glm::ivec3 top = drawn.rgb(25, 75 + 15);
    const glm::ivec3 bottom = drawn.rgb(25, 75 - 15);
    EXPECT_GT(top.r, 100);
    EXPECT_LT(top.g, 20);
    EXPECT_GT(bottom.g, 100);
    EXPECT_LT(bottom.r, 20);
    EXPECT_EQ(drawn.rgb(25, 75 + 23), glm::ivec3(0)) << "above the sprite";
    EXPECT_EQ(drawn.rgb(50, 50), glm::ivec3(0)) << "the centre is not covered";
    EXPECT_EQ(drawn.rgb(25, 25), glm::ivec3(0)) << "the lower left is not covered";
}

// Each sprite is drawn only inside the square its program lets show; outside it the program
// writes alpha 0. Confined so or not, the flare must leave the same pixels over a coloured frame,
// on a wide window where the squares are narrower than the quads, and the scissor must be off
// again with its box as it was.
TEST_F(LensFlareGl, SpritesConfinedToTheirSquaresLeaveThePixelsOfAWholeDraw) {
    currentWidth = 1280;
    currentHeight = 720;
    Target target(192, 108);
    const glm::vec2 sun(0.8f, 0.3f), d = glm::vec2(0.5f) - sun;
    for (std::size_t i = 0; i < flare->flares->size(); ++i) {
        (*flare->flares)[i].position = sun + d * (static_cast<float>(i) * 0.16f);
    }
    auto draw = [&](bool scissorOn) {
        target.clear(0.3f, 0.5f, 0.7f);
        if (scissorOn) {
            glEnable(GL_SCISSOR_TEST);
        }
        glScissor(0, 0, target.width, target.height);
        flare->renderer->draw(*flare->flares, 0.5f, 0.4f);
        EXPECT_EQ(glIsEnabled(GL_SCISSOR_TEST), scissorOn ? GL_TRUE : GL_FALSE);
        GLint box[4] = {0, 0, 0, 0};
        glGetIntegerv(GL_SCISSOR_BOX, box);
        EXPECT_EQ(box[2], target.width);
        EXPECT_EQ(box[3], target.height);
        glDisable(GL_SCISSOR_TEST);
        return target.read();
    };
    const testgl::Pixels confined = draw(false);
    const testgl::Pixels whole = draw(true);  // a scissor already on: each sprite's whole quad
    int differing = 0, lit = 0;
    for (int y = 0; y < target.height; ++y) {
        for (int x = 0; x < target.width; ++x) {
            differing += confined.rgb(x, y) != whole.rgb(x, y) ? 1 : 0;
            lit += whole.rgb(x, y) != glm::ivec3(77, 128, 179) ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 1000);
    EXPECT_EQ(differing, 0);
}
