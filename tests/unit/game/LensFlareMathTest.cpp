// The lens flare's decisions without a window: how bright it is where the sun stands on
// screen, when the projected sun counts as on screen, and when the ray reaches the sun.
#include <cmath>

#include <gtest/gtest.h>
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "game/SunVisibility.h"
#include "state/Camera.h"
#include "state/GlobalState.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "renderer/LensFlare.h"
#include "renderer/RendererState.h"

namespace {

// Projection identity and a view that moves the sun to clip (x, y, z, 1): the sun's ndc is
// then exactly (x, y, z).
void placeSunAtNdc(float x, float y, float z) {
    Camera& camera = *Camera::getInstance();
    camera.projection = glm::mat4(1.0f);
    camera.view = glm::translate(glm::mat4(1.0f), glm::vec3(x, y, z) - sunRenderPosition);
}

}  // namespace

TEST(FlareBrightness, PeaksAtTheCentreAndVanishesAtSevenTenthsOfLnTwo) {
    EXPECT_NEAR(flareBrightness(glm::vec2(0.5f, 0.5f)), 1.0f / 1.8f, 1e-6f);
    EXPECT_NEAR(flareBrightness(glm::vec2(0.5f, 0.5f)), 0.556f, 5e-4f);
    // Along any direction from the centre: positive just inside 0.7 ln 2, not beyond it.
    const glm::vec2 directions[3] = {{1.0f, 0.0f}, {0.0f, -1.0f}, glm::normalize(glm::vec2(-1.0f, 1.0f))};
    for (const glm::vec2& dir : directions) {
        EXPECT_GT(flareBrightness(glm::vec2(0.5f) + dir * 0.4851f), 0.0f);
        EXPECT_LE(flareBrightness(glm::vec2(0.5f) + dir * 0.4853f), 0.0f);
    }
    // Falls monotonically with the distance from the centre.
    float previous = flareBrightness(glm::vec2(0.5f));
    for (float len = 0.02f; len < 1.0f; len += 0.02f) {
        const float b = flareBrightness(glm::vec2(0.5f + len, 0.5f));
        EXPECT_LT(b, previous) << "at " << len;
        previous = b;
    }
    EXPECT_LT(flareBrightness(glm::vec2(0.0f, 0.0f)), 0.0f);
}

class SunOnScreen : public ::testing::Test {
protected:
    void SetUp() override { resetRendererStateForTests(); }
    void TearDown() override { resetRendererStateForTests(); }
};

TEST_F(SunOnScreen, BoundsOfTheViewVolumeCountAsInside) {
    placeSunAtNdc(1.0f, 0.0f, 0.0f);
    updateSunScreenPosition();
    EXPECT_TRUE(flareVisible);
    EXPECT_EQ(sunScreenPos, glm::vec2(1.0f, 0.0f));

    placeSunAtNdc(1.0001f, 0.0f, 0.0f);
    updateSunScreenPosition();
    EXPECT_FALSE(flareVisible);
    EXPECT_FLOAT_EQ(sunScreenPos.x, 1.0001f);

    placeSunAtNdc(-1.0f, -1.0f, -1.0f);
    updateSunScreenPosition();
    EXPECT_TRUE(flareVisible);
    placeSunAtNdc(0.0f, -1.0001f, 0.0f);
    updateSunScreenPosition();
    EXPECT_FALSE(flareVisible);
    placeSunAtNdc(0.0f, 0.0f, 1.0f);
    updateSunScreenPosition();
    EXPECT_TRUE(flareVisible);
    placeSunAtNdc(0.0f, 0.0f, 1.0001f);
    updateSunScreenPosition();
    EXPECT_FALSE(flareVisible);
}

TEST_F(SunOnScreen, SunBehindTheCameraNeverCounts) {
    Camera& camera = *Camera::getInstance();
    camera.projection = glm::perspective(glm::radians(45.0f), 16.0f / 9.0f, 0.1f, 250.0f);
    // Looking straight at the sun from (0, 10, 100): dead centre.
    camera.view = glm::lookAt(glm::vec3(0, 10, 100), sunRenderPosition, glm::vec3(0, 1, 0));
    updateSunScreenPosition();
    EXPECT_TRUE(flareVisible);
    EXPECT_NEAR(sunScreenPos.x, 0.0f, 1e-5f);
    EXPECT_NEAR(sunScreenPos.y, 0.0f, 1e-5f);
    // Looking straight away from it: x and y project to the centre as well, the depth does not.
    camera.view = glm::lookAt(glm::vec3(0, 10, 100), glm::vec3(0, 10, 0), glm::vec3(0, 1, 0));
    updateSunScreenPosition();
    EXPECT_FALSE(flareVisible);
    // Beyond the far plane (250 units).
    camera.view = glm::lookAt(glm::vec3(0, 10, -60), sunRenderPosition, glm::vec3(0, 1, 0));
    updateSunScreenPosition();
    EXPECT_FALSE(flareVisible);
}

TEST_F(SunOnScreen, DegenerateProjectionIsNotVisible) {
    Camera& camera = *Camera::getInstance();
    camera.projection = glm::mat4(0.0f);  // clip w = 0: ndc is not a number
    camera.view = glm::mat4(1.0f);
    updateSunScreenPosition();
    EXPECT_FALSE(flareVisible);
}

// The ray runs in physics space against the level's static boxes and the sun's sphere.
class SunRay : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!physxScene) {
            ASSERT_TRUE(initPhysX());
            static Level level(20.0f, 3.0f, 0.5f);
            level.buildLayout();
            level.createHitboxes();
        }
    }
    void SetUp() override {
        ASSERT_NE(physxScene, nullptr);
        Camera::resetForTests();
    }
    void TearDown() override { Camera::resetForTests(); }

    static bool visibleFrom(const glm::vec3& physicsEye) {
        Camera::getInstance()->position = physicsEye;
        return isSunVisible();
    }
};

TEST_F(SunRay, FreeLineOfSightReachesTheSun) {
    EXPECT_TRUE(visibleFrom({0.0f, 10.0f, -100.0f}));
    EXPECT_TRUE(visibleFrom({30.0f, 40.0f, 50.0f}));
    // Just inside the ray's reach: 500 units to the sphere's surface.
    EXPECT_TRUE(visibleFrom({0.0f, 10.0f, 306.0f}));
}

TEST_F(SunRay, PlatformBetweenCameraAndSunBlocks) {
    // Under the start platform (tops at -2.25, physics z from -10.5 to 19.5), the rising ray
    // meets its underside.
    EXPECT_FALSE(visibleFrom({0.0f, -4.0f, 18.0f}));
    // Inside the reflective cube's box at the origin.
    EXPECT_FALSE(visibleFrom({0.0f, 0.0f, 0.0f}));
    // Under the goal platform (level z 90 to 110, physics -90 to -110).
    EXPECT_FALSE(visibleFrom({0.0f, -3.0f, -95.0f}));
}

TEST_F(SunRay, BeyondTheRaysReachOrAtTheSunsCentreIsHidden) {
    // 508 units from the centre, 501 from the surface.
    EXPECT_FALSE(visibleFrom({0.0f, 10.0f, 308.0f}));
    // A zero direction finds nothing.
    EXPECT_FALSE(visibleFrom(sunPhysicsPosition));
}
