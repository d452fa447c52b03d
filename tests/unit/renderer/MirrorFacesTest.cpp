// The faces of the environment map the mirror cube can read, without a window, for views whose
// answer is plain. What the mirror's program reads from views all round the cube is checked
// against the bound through a real context (tests/gl/renderer/MirrorFacesGlTest.cpp).
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

TEST(MirrorFaces, NoneWhenTheCubeIsOutOfViewTheNearAndFarFacesWhenItIsAhead) {
    const glm::vec3 eye(6.0f, 0.16f, 0.2f);
    // Ahead: the face towards the eye, and the one behind the cube that rays grazing its
    // outline read.
    EXPECT_EQ(mirrorFacesInView(eye, lookingAtTheCube(eye, glm::vec3(0.0f)), 45.0f, 144), 0x3u);
    // Behind the camera, or beside it past the edge of the view.
    EXPECT_EQ(mirrorFacesInView(eye, lookingAtTheCube(eye, glm::vec3(12.0f, 0.16f, 0.2f)), 45.0f, 144), 0u);
    EXPECT_EQ(mirrorFacesInView(eye, lookingAtTheCube(eye, glm::vec3(6.0f, 0.16f, -9.0f)), 45.0f, 144), 0u);
}
