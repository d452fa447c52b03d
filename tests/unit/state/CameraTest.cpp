// The third-person camera, driven by a scripted cursor.
#include <cmath>

#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

#include "support/WorldStubs.h"
#include "state/Camera.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "state/Settings.h"

namespace {

double cursorX = 0.0;
double cursorY = 0.0;

void scriptedCursor(GLFWwindow*, double* x, double* y) {
    *x = cursorX;
    *y = cursorY;
}

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetWorld();
        camera = Camera::getInstance();
        player = Player::getInstance();
        // The cursor rests where the camera expects it: the middle of the 1280 x 768 window.
        cursorX = 640.0;
        cursorY = 384.0;
        Camera::setCursorSource(scriptedCursor);
    }
    void TearDown() override { Camera::setCursorSource(nullptr); }

    Camera* camera = nullptr;
    Player* player = nullptr;
};

TEST_F(CameraTest, StartsBehindThePlayerAtTheHeightCap) {
    camera->update(nullptr);
    EXPECT_NEAR(camera->position.x, 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(camera->position.y, 0.16f);
    EXPECT_NEAR(camera->position.z, 19.5f, 1e-5f);
    EXPECT_NEAR(camera->yaw, -90.0f, 1e-4f);
    EXPECT_NEAR(camera->right.x, 1.0f, 1e-6f);
    EXPECT_NEAR(camera->front.z, -std::cos(glm::radians(3.0f)), 1e-5f);
    EXPECT_FLOAT_EQ(camera->aspect, 1280.0f / 768.0f);
    // The view takes the eye's render-space position (z not negated) to the origin.
    const glm::vec4 eye = camera->view * glm::vec4(camera->position.x, camera->position.y, -camera->position.z, 1.0f);
    EXPECT_NEAR(glm::length(glm::vec3(eye)), 0.0f, 1e-5f);
    const glm::mat4 expected = glm::perspective(glm::radians(45.0f), 1280.0f / 768.0f, 0.1f, 250.0f);
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_NEAR(camera->projection[c][r], expected[c][r], 1e-5f);
        }
    }
}

TEST_F(CameraTest, EyeFollowsAFallingPlayerButNotAJump) {
    player->position.y = 0.5f;  // mid-jump
    camera->update(nullptr);
    EXPECT_FLOAT_EQ(camera->position.y, 0.16f);
    player->position.y = -5.0f;
    camera->update(nullptr);
    EXPECT_FLOAT_EQ(camera->position.y, -3.5f);
}

TEST_F(CameraTest, PitchFollowsVerticalTravelWithinItsLimits) {
    cursorY -= 100.0;  // up by 100 screen units
    camera->update(nullptr);
    EXPECT_NEAR(camera->pitch, -2.0f, 1e-4f);
    cursorY -= 100000.0;
    camera->update(nullptr);
    EXPECT_EQ(camera->pitch, -15.0f);
    cursorY += 300000.0;
    camera->update(nullptr);
    EXPECT_EQ(camera->pitch, 28.0f);
}

TEST_F(CameraTest, HorizontalTravelTurnsThePlayerAndTheCamera) {
    cursorX += 1280.0 * 60.0 / 150.0;  // 60 degrees to the right
    camera->update(nullptr);
    EXPECT_NEAR(player->yaw, 330.0f, 1e-3f);
    EXPECT_NEAR(camera->yaw, -150.0f, 1e-3f);
    // Still 3 units behind the player's facing.
    const glm::vec3 behind = player->position - 3.0f * player->front;
    EXPECT_NEAR(camera->position.x, behind.x, 1e-4f);
    EXPECT_NEAR(camera->position.z, behind.z, 1e-4f);
}

TEST_F(CameraTest, IntroTravelIsDroppedNotDeferred) {
    introActive = true;
    cursorX += 500.0;
    cursorY -= 200.0;
    camera->update(nullptr);
    EXPECT_EQ(camera->pitch, 3.0f);
    EXPECT_EQ(player->yaw, 270.0f);
    introActive = false;
    camera->update(nullptr);
    EXPECT_EQ(camera->pitch, 3.0f);
    EXPECT_EQ(player->yaw, 270.0f);
}

TEST_F(CameraTest, FollowPlayerMirrorsTheYaw) {
    const float cases[][2] = {{270.0f, -90.0f}, {90.0f, 90.0f}, {0.0f, 180.0f}, {180.0f, 0.0f}, {360.0f, -180.0f}};
    for (const auto& c : cases) {
        player->yaw = c[0];
        camera->followPlayer();
        EXPECT_NEAR(camera->yaw, c[1], 1e-4f) << "player yaw " << c[0];
    }
}

TEST_F(CameraTest, UpdateVectorsNegatesRightAndUp) {
    camera->yaw = 0.0f;
    camera->pitch = 0.0f;
    camera->updateVectors();
    EXPECT_NEAR(camera->front.x, 1.0f, 1e-6f);
    EXPECT_NEAR(camera->right.z, -1.0f, 1e-6f);
    EXPECT_NEAR(camera->up.y, -1.0f, 1e-6f);
}

}  // namespace
