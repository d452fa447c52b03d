// The faces of the environment map the mirror cube can read, checked without a window against
// the face the mirror's program reads for rays reflected off a grid over every side.
#include <cmath>

#include <gtest/gtest.h>
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "renderer/MirrorFaces.h"

namespace {

glm::mat4 lookingAtTheCube(const glm::vec3& eye, const glm::vec3& aside) {
    return glm::perspective(glm::radians(45.0f), 16.0f / 9.0f, 0.1f, 250.0f) *
           glm::lookAt(eye, aside, glm::vec3(0.0f, 1.0f, 0.0f));
}

}  // namespace

// The faces the mirror may sample, from eyes all round the cube near and far: every face a ray
// reflected off any point of any side reads (as the program reads it) is among them.
TEST(MirrorFaces, EveryFaceAReflectedRayReadsIsNamed) {
    const glm::vec3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    int viewsNamingFewFaces = 0;
    for (int n = 0; n < 400; ++n) {
        // Spread over distances from just off the cube to far away, all round it and up and down.
        const float distance = 0.75f + 0.12f * static_cast<float>(n % 97) * static_cast<float>(n % 5 + 1);
        const float azimuth = 0.61803398f * static_cast<float>(n) * 6.2831853f;
        const float height = -2.5f + 5.0f * static_cast<float>((n * 37) % 101) / 100.0f;
        const glm::vec3 eye(distance * std::cos(azimuth), height, distance * std::sin(azimuth));
        const glm::vec3 aside(0.3f * std::sin(static_cast<float>(n)), 0.0f, 0.3f * std::cos(static_cast<float>(n)));
        const unsigned int faces = mirrorFacesInView(eye, lookingAtTheCube(eye, aside), 45.0f, 144);
        ASSERT_NE(faces, 0u) << "the cube is in view from " << eye.x << " " << eye.y << " " << eye.z;
        viewsNamingFewFaces += __builtin_popcount(faces) <= 3 ? 1 : 0;
        for (const glm::vec3& normal : normals) {
            for (int i = 0; i <= 20; ++i) {
                for (int j = 0; j <= 20; ++j) {
                    const float u = -0.5f + static_cast<float>(i) / 20.0f;
                    const float v = -0.5f + static_cast<float>(j) / 20.0f;
                    const glm::vec3 a = glm::abs(normal);
                    const glm::vec3 p = a.x > 0.0f ? glm::vec3(0.5f * normal.x, u, v)
                                        : a.y > 0.0f ? glm::vec3(u, 0.5f * normal.y, v)
                                                     : glm::vec3(u, v, 0.5f * normal.z);
                    const int face = mirrorFaceFor(glm::reflect(glm::normalize(p - eye), normal));
                    ASSERT_NE(faces & (1u << face), 0u)
                        << "face " << face << " read from (" << eye.x << ", " << eye.y << ", " << eye.z
                        << ") off the side along (" << normal.x << ", " << normal.y << ", " << normal.z << ")";
                }
            }
        }
    }
    // A bound, not all six: most views need no more than three.
    EXPECT_GT(viewsNamingFewFaces, 300);
}

TEST(MirrorFaces, NoneWhenTheCubeIsOutOfViewTheNearAndFarFacesWhenItIsAhead) {
    const glm::vec3 eye(6.0f, 0.16f, 0.2f);
    // Ahead: the face towards the eye, and the one behind the cube that rays grazing its
    // outline read.
    EXPECT_EQ(mirrorFacesInView(eye, lookingAtTheCube(eye, glm::vec3(0.0f)), 45.0f, 144), 0x3u);
    // Behind the camera, or beside it past the edge of the view.
    EXPECT_EQ(mirrorFacesInView(eye, lookingAtTheCube(eye, glm::vec3(12.0f, 0.16f, 0.2f)), 45.0f, 144), 0u);
    EXPECT_EQ(mirrorFacesInView(eye, lookingAtTheCube(eye, glm::vec3(6.0f, 0.16f, -9.0f)), 45.0f, 144), 0u);
}
