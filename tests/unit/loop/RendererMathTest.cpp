// Pieces of the sky, the environment capture, the lens flare and the particles that can be
// checked without a window.
#include <cmath>

#include <gtest/gtest.h>
#include <glm/glm.hpp>

#include "game/Camera.h"
#include "renderer/EnvironmentMap.h"
#include "renderer/LensFlare.h"
#include "renderer/Skybox.h"

namespace {

glm::vec3 rounded(const glm::vec3& v) { return glm::vec3(std::round(v.x), std::round(v.y), std::round(v.z)); }

}  // namespace

// Every face of the capture must look where the cube-map sampler expects that face: the
// reflective cube samples what the capture wrote, so a wrong row here mirrors the world.
TEST(EnvironmentCapture, FaceVectorsMatchTheCubeMapLayout) {
    struct Expected {
        glm::vec3 front, right, up;
    };
    const Expected expected[6] = {
        {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, -1, 0}, {0, 0, 1}, {1, 0, 0}},  {{0, 1, 0}, {0, 0, 1}, {-1, 0, 0}},
        {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}},
    };
    Camera& camera = *Camera::getInstance();
    for (int i = 0; i < 6; ++i) {
        const CaptureAngles angles = captureAngles(i);
        camera.yaw = angles.yaw;
        camera.pitch = angles.pitch;
        camera.updateVectors();
        // updateVectors stores right and up negated.
        EXPECT_EQ(rounded(camera.front), expected[i].front) << "face " << i;
        EXPECT_EQ(rounded(-camera.right), expected[i].right) << "face " << i;
        EXPECT_EQ(rounded(-camera.up), expected[i].up) << "face " << i;
    }
}

TEST(EnvironmentCapture, ViewRowsAreMinusRightMinusUpAndFront) {
    const glm::vec3 storedRight(0, 0, 1), storedUp(0, -1, 0), front(-1, 0, 0);
    const glm::mat4 view = captureViewMatrix(storedRight, storedUp, front);
    // Row 0 is -storedRight, row 1 -storedUp, row 2 front; no translation.
    EXPECT_EQ(glm::vec3(view[0][0], view[1][0], view[2][0]), glm::vec3(0, 0, -1));
    EXPECT_EQ(glm::vec3(view[0][1], view[1][1], view[2][1]), glm::vec3(0, 1, 0));
    EXPECT_EQ(glm::vec3(view[0][2], view[1][2], view[2][2]), glm::vec3(-1, 0, 0));
    EXPECT_EQ(view[3], glm::vec4(0, 0, 0, 1));
    // A point straight behind the face (along -front) lands on the view's -z axis.
    const glm::vec4 p = view * glm::vec4(1, 0, 0, 1);
    EXPECT_FLOAT_EQ(p.z, -1.0f);
}

TEST(LensFlare, BrightnessPeaksAtTheCentreAndVanishesBeyondTheRim) {
    EXPECT_NEAR(flareBrightness(glm::vec2(0.5f, 0.5f)), 1.0f / 1.8f, 1e-6f);
    EXPECT_GT(flareBrightness(glm::vec2(0.5f + 0.48f, 0.5f)), 0.0f);
    EXPECT_LE(flareBrightness(glm::vec2(0.5f + 0.4853f, 0.5f)), 0.0f);
    EXPECT_LT(flareBrightness(glm::vec2(0.0f, 0.0f)), 0.0f);
}

TEST(Skybox, CubeGeometryHasOutwardNormalsAndUnitSize) {
    for (int v = 0; v < 36; ++v) {
        const glm::vec3 p(cubeVertices[v * 6], cubeVertices[v * 6 + 1], cubeVertices[v * 6 + 2]);
        const glm::vec3 n(cubeVertices[v * 6 + 3], cubeVertices[v * 6 + 4], cubeVertices[v * 6 + 5]);
        EXPECT_FLOAT_EQ(glm::length(n), 1.0f);
        EXPECT_FLOAT_EQ(glm::dot(p, n), 0.5f) << "vertex " << v << " is not on its face";
        const glm::vec3 s(skyboxVertices[v * 3], skyboxVertices[v * 3 + 1], skyboxVertices[v * 3 + 2]);
        EXPECT_FLOAT_EQ(std::max({std::fabs(s.x), std::fabs(s.y), std::fabs(s.z)}), 1.0f);
    }
}
