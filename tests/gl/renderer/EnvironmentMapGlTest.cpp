// The environment capture and the mirror cube through the game's programs: what the capture
// restores, what the cube sends, how big it appears, and that it reflects the world the right
// way round.
#include <memory>

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "support/PeripheryGl.h"
#include "framework/Shader.h"
#include "state/Camera.h"
#include "state/GlobalState.h"
#include "state/Settings.h"
#include "renderer/EnvironmentCapture.h"
#include "renderer/ReflectiveCube.h"
#include "renderer/Skybox.h"

using periph::PeripheryGlTest;
using periph::Target;

namespace {

std::shared_ptr<Shader> program(const std::string& folder, const std::string& stem) {
    const std::string base = "../assets/shaders/" + folder + "/" + stem;
    return std::make_shared<Shader>(base + ".vert", base + ".frag");
}

class EnvironmentMapGl : public PeripheryGlTest {
protected:
    void SetUp() override {
        PeripheryGlTest::SetUp();
        environment = EnvironmentMap::getInstance();
        skybox = Skybox::getInstance();
        skybox->skyboxShader = program("SkyboxShader", "skyboxShader");
        skybox->cubeMapShader = program("CubeMapShader", "cubeMapShader");
        textureShader = program("TextureShader", "textureShader");
    }
    void TearDown() override {
        skybox->skyboxShader.reset();
        skybox->cubeMapShader.reset();
        textureShader.reset();
        PeripheryGlTest::TearDown();
    }

    EnvironmentMap* environment = nullptr;
    Skybox* skybox = nullptr;
    std::shared_ptr<Shader> textureShader;
};

}  // namespace

TEST_F(EnvironmentMapGl, CaptureRestoresCameraViewportAndFramebufferWhateverTheWindowSize) {
    Target elsewhere(8, 8);
    const glm::ivec2 sizes[2] = {{200, 150}, {64, 48}};
    for (const glm::ivec2& size : sizes) {
        currentWidth = size.x;
        currentHeight = size.y;
        Camera& camera = *Camera::getInstance();
        camera.yaw = 37.0f;
        camera.pitch = 5.0f;
        camera.aspect = 1.7f;
        camera.fov = 60.0f;
        camera.front = glm::normalize(glm::vec3(0.3f, 0.1f, 0.9f));
        camera.up = glm::vec3(0.0f, -1.0f, 0.0f);
        camera.right = glm::vec3(0.0f, 0.0f, 1.0f);
        const glm::mat4 frameView = glm::mat4(2.0f);
        const glm::mat4 frameProjection = glm::mat4(3.0f);
        camera.view = frameView;
        camera.projection = frameProjection;
        elsewhere.bind();
        glViewport(1, 2, 3, 4);
        renderingCubemap = true;

        renderEnvironmentMap(*environment, textureShader, gammaVector);

        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(glm::ivec4(viewport[0], viewport[1], viewport[2], viewport[3]), glm::ivec4(0, 0, size.x, size.y));
        GLint drawFramebuffer = -1, readFramebuffer = -1;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
        EXPECT_EQ(drawFramebuffer, 0);
        EXPECT_EQ(readFramebuffer, 0);
        EXPECT_FALSE(renderingCubemap);

        EXPECT_EQ(camera.yaw, 37.0f);
        EXPECT_EQ(camera.pitch, 5.0f);
        EXPECT_EQ(camera.aspect, 1.7f);
        EXPECT_EQ(camera.front, glm::normalize(glm::vec3(0.3f, 0.1f, 0.9f)));
        EXPECT_EQ(camera.up, glm::vec3(0.0f, -1.0f, 0.0f));
        EXPECT_EQ(camera.fov, 45.0f) << "the field of view goes back to 45, not to what it was";
        // Right, view and projection are the frame's again, not the last face's: a pass drawn
        // after a capture without a camera update (the clean frame before a pause) sees the
        // frame's camera.
        EXPECT_EQ(camera.right, glm::vec3(0.0f, 0.0f, 1.0f));
        EXPECT_EQ(camera.view, frameView);
        EXPECT_EQ(camera.projection, frameProjection);
        GLint frontFace = 0;
        glGetIntegerv(GL_FRONT_FACE, &frontFace);
        EXPECT_EQ(frontFace, GL_CCW) << "screen-space draws follow a capture";
    }
}

TEST_F(EnvironmentMapGl, ReflectiveCubeSendsItsMatricesAndTheRenderSpaceEye) {
    Camera& camera = *Camera::getInstance();
    camera.fov = 45.0f;
    camera.aspect = 1.5f;
    camera.position = glm::vec3(1.0f, 2.0f, 3.0f);  // physics space
    camera.view = glm::lookAt(glm::vec3(1.0f, 2.0f, -3.0f), glm::vec3(0.0f), glm::vec3(0, 1, 0));
    Target target(16, 16);
    target.clear(0, 0, 0);
    renderReflectiveCube(*skybox, 0);  // no capture yet: samples nothing, draws black

    const unsigned int id = skybox->cubeMapShader->program;
    const std::vector<float> model = periph::uniformValues(id, "model", 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(model[static_cast<std::size_t>(i)], i % 5 == 0 ? 0.75f : 0.0f) << "element " << i;
    }
    const std::vector<float> view = periph::uniformValues(id, "view", 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(view[static_cast<std::size_t>(i)], glm::value_ptr(camera.view)[i]);
    }
    const std::vector<float> projection = periph::uniformValues(id, "projection", 16);
    const glm::mat4 expected = glm::perspective(45.0f * 0.017453292f, 1.5f, 0.1f, 250.0f);
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(projection[static_cast<std::size_t>(i)], glm::value_ptr(expected)[i]);
    }
    const std::vector<float> eye = periph::uniformValues(id, "cameraPos", 3);
    EXPECT_EQ(glm::vec3(eye[0], eye[1], eye[2]), glm::vec3(1.0f, 2.0f, -3.0f));
    GLint vertexArray = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_EQ(vertexArray, 0);
}

// The model matrix scales w as well, so the cube appears with edge 1, centred on the origin.
TEST_F(EnvironmentMapGl, CubeAppearsWithEdgeOne) {
    const unsigned int map = periph::createSignCubeMap(16);
    Camera& camera = *Camera::getInstance();
    camera.fov = 45.0f;
    camera.aspect = 1.0f;
    camera.position = glm::vec3(0.0f, 0.0f, -3.0f);
    camera.view = glm::lookAt(glm::vec3(0.0f, 0.0f, 3.0f), glm::vec3(0.0f), glm::vec3(0, 1, 0));
    Target target(256, 256);
    target.clear(0.5f, 0.5f, 0.5f);
    glEnable(GL_DEPTH_TEST);
    renderReflectiveCube(*skybox, map);
    glDisable(GL_DEPTH_TEST);
    const testgl::Pixels drawn = target.read();
    int x0 = 1000, x1 = -1, y0 = 1000, y1 = -1;
    for (int y = 0; y < target.height; ++y) {
        for (int x = 0; x < target.width; ++x) {
            if (!testgl::near(drawn.rgb(x, y), glm::ivec3(127), 2)) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    }
    // The front face at distance 2.5: half-size 0.5 / 2.5 / tan(22.5 degrees) of the half-screen.
    const float half = 0.5f / 2.5f / std::tan(glm::radians(22.5f)) * 128.0f;
    EXPECT_NEAR(x0, 128.0f - half, 1.5f);
    EXPECT_NEAR(x1 + 1, 128.0f + half, 1.5f);
    EXPECT_NEAR(y0, 128.0f - half, 1.5f);
    EXPECT_NEAR(y1 + 1, 128.0f + half, 1.5f);
    glDeleteTextures(1, &map);
}

// A world whose colour tells the direction (red +x, green +y, blue +z) is captured around the
// origin; every pixel of the mirror cube must then show the colour of the direction the view
// ray takes after bouncing off the cube. A mirrored, rotated or swapped capture face breaks
// the sign pattern on some side of the cube.
TEST_F(EnvironmentMapGl, MirrorCubeReflectsTheCapturedWorldTheRightWayRound) {
    GlTexture sky = std::move(skybox->cubemapTexture);
    skybox->cubemapTexture = GlTexture(periph::createSignCubeMap(128));
    blendFactor = 1.0f;
    currentWidth = 256;
    currentHeight = 256;
    glEnable(GL_DEPTH_TEST);
    renderEnvironmentMap(*environment, textureShader, gammaVector);
    envCubemapTexture = environment->cubeMap.id;

    struct View {
        glm::vec3 eye;
        float fov;
        bool mirrored;  // the game's own views have a determinant of -1
    };
    const View views[] = {
        // Close to the +z face: its rim reflects the sides, and its diagonals reflect the seams
        // between the capture's faces.
        {{0.0f, 0.0f, 0.8f}, 100.0f, false},
        {{1.5f, 1.2f, 1.8f}, 45.0f, false},    // three faces at once
        {{-1.6f, -1.1f, -0.7f}, 60.0f, true},  // from below and behind, mirrored screen
        {{0.3f, 2.0f, -0.2f}, 70.0f, true},    // from above
    };
    Target target(160, 160);
    Camera& camera = *Camera::getInstance();
    for (const View& v : views) {
        camera.fov = v.fov;
        camera.aspect = 1.0f;
        camera.position = glm::vec3(v.eye.x, v.eye.y, -v.eye.z);  // the camera keeps physics space
        const glm::vec3 up = std::abs(v.eye.y) > 1.9f ? glm::vec3(0, 0, 1) : glm::vec3(0, 1, 0);
        camera.view = glm::lookAt(v.eye, glm::vec3(0.0f), up);
        if (v.mirrored) {
            camera.view = glm::scale(glm::mat4(1.0f), glm::vec3(-1.0f, 1.0f, 1.0f)) * camera.view;
        }
        target.clear(0.5f, 0.5f, 0.5f);
        renderReflectiveCube(*skybox, envCubemapTexture);
        const testgl::Pixels drawn = target.read();

        const glm::mat4 unproject = glm::inverse(
            glm::perspective(camera.fov * 0.017453292f, camera.aspect, 0.1f, 250.0f) * camera.view);
        int judged = 0, wrong = 0, missed = 0;
        for (int y = 0; y < target.height; ++y) {
            for (int x = 0; x < target.width; ++x) {
                const float nx = 2.0f * (x + 0.5f) / target.width - 1.0f;
                const float ny = 2.0f * (y + 0.5f) / target.height - 1.0f;
                const glm::vec4 a = unproject * glm::vec4(nx, ny, -1.0f, 1.0f);
                const glm::vec4 b = unproject * glm::vec4(nx, ny, 1.0f, 1.0f);
                const glm::vec3 dir = glm::normalize(glm::vec3(b) / b.w - glm::vec3(a) / a.w);
                glm::vec3 point, normal;
                if (!periph::hitCube(v.eye, dir, point, normal, 0.02f)) {
                    continue;
                }
                const glm::ivec3 pixel = drawn.rgb(x, y);
                if (pixel == glm::ivec3(127) || pixel == glm::ivec3(128)) {
                    ++missed;
                    continue;
                }
                const glm::ivec3 expected = periph::expectedSigns(glm::reflect(dir, normal));
                ++judged;
                wrong += periph::signMismatches(pixel, expected) > 0 ? 1 : 0;
            }
        }
        EXPECT_GT(judged, 2000) << "eye (" << v.eye.x << ", " << v.eye.y << ", " << v.eye.z << ")";
        EXPECT_EQ(missed, 0);
        EXPECT_EQ(wrong, 0) << "of " << judged << " pixels from eye (" << v.eye.x << ", " << v.eye.y << ", " << v.eye.z
                            << ")";
    }
    glDisable(GL_DEPTH_TEST);
    skybox->cubemapTexture = std::move(sky);  // deletes the sign cube map
}

// The same world, read with the plain cube-map rule: the sky seen from the origin through a
// face's middle is the colour of the direction that face's capture looked along.
TEST_F(EnvironmentMapGl, EachFaceHoldsTheViewAlongItsCaptureDirection) {
    GlTexture sky = std::move(skybox->cubemapTexture);
    skybox->cubemapTexture = GlTexture(periph::createSignCubeMap(128));
    renderEnvironmentMap(*environment, textureShader, gammaVector);
    // Faces 0 to 3 look along their own axis, face 4 (+Z) along -Z and face 5 (-Z) along +Z.
    const glm::ivec3 colour[6] = {{255, 0, 0}, {0, 0, 0}, {0, 255, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 255}};
    for (int face = 0; face < 6; ++face) {
        const testgl::Pixels image =
            testgl::readTexture(environment->cubeMap.id, GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face));
        ASSERT_EQ(image.width, 512);
        // A texel a little off the middle: the middle lies on sign boundaries of two axes.
        const glm::ivec3 texel = image.rgb(300, 300);
        for (int k = 0; k < 3; ++k) {
            const int axis = face / 2;
            if (k == axis) {
                EXPECT_EQ(texel[k] > 127, colour[face][k] > 127) << "face " << face << " channel " << k;
            }
        }
    }
    skybox->cubemapTexture = std::move(sky);  // deletes the sign cube map
}
