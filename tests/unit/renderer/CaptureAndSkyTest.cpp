// The environment capture's six views and the sky's vertex tables, checked without a window.
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "state/Camera.h"
#include "renderer/EnvironmentCapture.h"
#include "renderer/Skybox.h"

namespace {

glm::vec3 rounded(const glm::vec3& v) { return glm::vec3(std::round(v.x), std::round(v.y), std::round(v.z)); }

glm::vec3 row(const glm::mat4& m, int r) { return glm::vec3(m[0][r], m[1][r], m[2][r]); }

struct FaceVectors {
    glm::vec3 front, right, up;
};

// front, right and up of each capture face, as the capture's camera computes them.
const FaceVectors faceTable[6] = {
    {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
    {{0, -1, 0}, {0, 0, 1}, {1, 0, 0}},  {{0, 1, 0}, {0, 0, 1}, {-1, 0, 0}},
    {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}},
};

class CaptureFaces : public ::testing::Test {
protected:
    void SetUp() override { Camera::resetForTests(); }
    void TearDown() override { Camera::resetForTests(); }

    // Points the camera at face i the way the capture does and returns its view.
    glm::mat4 faceView(int face) {
        Camera& camera = *Camera::getInstance();
        const CaptureAngles angles = captureAngles(face);
        camera.yaw = angles.yaw;
        camera.pitch = angles.pitch;
        camera.updateVectors();
        return captureViewMatrix(camera.right, camera.up, camera.front);
    }
};

}  // namespace

// Faces 2 and 3 depend on the tiny x and z that single-precision trigonometry leaves in front:
// a camera computed in double, or with exact angles, would get a different right vector.
TEST_F(CaptureFaces, AnglesGiveTheFaceTableInSinglePrecision) {
    Camera& camera = *Camera::getInstance();
    for (int i = 0; i < 6; ++i) {
        faceView(i);
        EXPECT_EQ(rounded(camera.front), faceTable[i].front) << "face " << i;
        // updateVectors stores right and up negated.
        EXPECT_EQ(rounded(-camera.right), faceTable[i].right) << "face " << i;
        EXPECT_EQ(rounded(-camera.up), faceTable[i].up) << "face " << i;
    }
}

TEST_F(CaptureFaces, ViewRowsAreMinusRightMinusUpAndFrontWithTheEyeAtTheOrigin) {
    for (int i = 0; i < 6; ++i) {
        const glm::mat4 view = faceView(i);
        EXPECT_EQ(rounded(row(view, 0)), -faceTable[i].right) << "face " << i;
        EXPECT_EQ(rounded(row(view, 1)), -faceTable[i].up) << "face " << i;
        EXPECT_EQ(rounded(row(view, 2)), faceTable[i].front) << "face " << i;
        EXPECT_EQ(view[3], glm::vec4(0, 0, 0, 1)) << "face " << i;
        EXPECT_EQ(view[0][3], 0.0f);
        EXPECT_EQ(view[1][3], 0.0f);
        EXPECT_EQ(view[2][3], 0.0f);
    }
}

// Faces 0 to 3 look along their own axis; the z pair is swapped: the +Z slot holds the view
// along -Z and the -Z slot the view along +Z. The cube-map shader undoes exactly this.
TEST_F(CaptureFaces, EachFaceLooksAlongMinusFront) {
    const glm::vec3 lookDirection[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, -1}, {0, 0, 1}};
    for (int i = 0; i < 6; ++i) {
        const glm::mat4 view = faceView(i);
        // A point ahead of the camera lands on the view's -z axis, in the middle of the screen.
        const glm::vec4 ahead = view * glm::vec4(lookDirection[i] * 10.0f, 1.0f);
        EXPECT_NEAR(ahead.z, -10.0f, 1e-4f) << "face " << i;
        EXPECT_NEAR(ahead.x, 0.0f, 1e-4f) << "face " << i;
        EXPECT_NEAR(ahead.y, 0.0f, 1e-4f) << "face " << i;
    }
}

TEST_F(CaptureFaces, ScreenAxesAreMinusRightAndMinusUp) {
    for (int i = 0; i < 6; ++i) {
        const glm::mat4 view = faceView(i);
        const glm::vec4 alongRight = view * glm::vec4(faceTable[i].right, 0.0f);
        const glm::vec4 alongUp = view * glm::vec4(faceTable[i].up, 0.0f);
        EXPECT_NEAR(alongRight.x, -1.0f, 1e-4f) << "face " << i;
        EXPECT_NEAR(alongUp.y, -1.0f, 1e-4f) << "face " << i;
    }
}

TEST(SkyboxTables, SkyCubeMatchesItsFaceListAndTheUnitCubeHasOutwardNormals) {
    // The sky's first face lies at z = -1 and its last at y = -1.
    EXPECT_EQ(glm::vec3(skyboxVertices[0], skyboxVertices[1], skyboxVertices[2]), glm::vec3(-1, 1, -1));
    EXPECT_EQ(glm::vec3(skyboxVertices[105], skyboxVertices[106], skyboxVertices[107]), glm::vec3(1, -1, 1));
    const float faceAxisValue[6][2] = {{2, -1}, {0, -1}, {0, 1}, {2, 1}, {1, 1}, {1, -1}};
    for (int v = 0; v < 36; ++v) {
        const glm::vec3 s(skyboxVertices[v * 3], skyboxVertices[v * 3 + 1], skyboxVertices[v * 3 + 2]);
        const int face = v / 6;
        EXPECT_EQ(s[static_cast<int>(faceAxisValue[face][0])], faceAxisValue[face][1]) << "sky vertex " << v;
        EXPECT_EQ(std::max({std::fabs(s.x), std::fabs(s.y), std::fabs(s.z)}), 1.0f);

        const glm::vec3 p(cubeVertices[v * 6], cubeVertices[v * 6 + 1], cubeVertices[v * 6 + 2]);
        const glm::vec3 n(cubeVertices[v * 6 + 3], cubeVertices[v * 6 + 4], cubeVertices[v * 6 + 5]);
        EXPECT_FLOAT_EQ(glm::length(n), 1.0f);
        EXPECT_FLOAT_EQ(glm::dot(p, n), 0.5f) << "cube vertex " << v << " is not on its face";
        EXPECT_EQ(std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}), 0.5f);
    }
    // Face order of the unit cube: -z, +z, -x, +x, -y, +y.
    const glm::vec3 normals[6] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
    for (int face = 0; face < 6; ++face) {
        const float* n = &cubeVertices[face * 36 + 3];
        EXPECT_EQ(glm::vec3(n[0], n[1], n[2]), normals[face]) << "face " << face;
    }
}
