// The sky through the real sky program: its six JPEG faces, missing faces, the depth function
// it leaves, the view it sends and what it draws.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <stb_image.h>

#include "support/PeripheryGl.h"
#include "framework/Shader.h"
#include "state/Camera.h"
#include "renderer/Skybox.h"

using periph::PeripheryGlTest;
using periph::Target;

namespace {

const char* const faceFiles[6] = {"right.jpg", "left.jpg", "top.jpg", "bottom.jpg", "front.jpg", "back.jpg"};

std::shared_ptr<Shader> skyProgram() {
    static std::weak_ptr<Shader> cached;
    std::shared_ptr<Shader> program = cached.lock();
    if (!program) {
        program = std::make_shared<Shader>("../assets/shaders/SkyboxShader/skyboxShader.vert",
                                           "../assets/shaders/SkyboxShader/skyboxShader.frag");
        cached = program;
    }
    return program;
}

testgl::Pixels cubeFace(unsigned int texture, int index) {
    return testgl::readTexture(texture, GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(index));
}

class SkyboxGl : public PeripheryGlTest {
protected:
    void SetUp() override {
        PeripheryGlTest::SetUp();
        skybox = Skybox::getInstance();
        skybox->skyboxShader = skyProgram();
    }
    void TearDown() override {
        skybox->skyboxShader.reset();
        PeripheryGlTest::TearDown();
    }

    // Looks from the origin along `forward` (render space) the way the game's camera does.
    static void aimCamera(const glm::vec3& eye, const glm::vec3& forward) {
        Camera& camera = *Camera::getInstance();
        camera.fov = 60.0f;
        camera.aspect = 1.0f;
        camera.view = glm::lookAt(eye, eye + forward, glm::vec3(0, 1, 0));
    }

    Skybox* skybox = nullptr;
};

}  // namespace

TEST_F(SkyboxGl, FacesLoadInCubeFaceOrderAsThreeChannels) {
    for (int face = 0; face < 6; ++face) {
        const testgl::Pixels loaded = cubeFace(skybox->cubemapTexture, face);
        int fileWidth = 0, fileHeight = 0, channels = 0;
        const std::string path = std::string("../assets/textures/skybox/") + faceFiles[face];
        unsigned char* file = stbi_load(path.c_str(), &fileWidth, &fileHeight, &channels, 3);
        ASSERT_NE(file, nullptr) << path;
        EXPECT_EQ(loaded.width, fileWidth) << path;
        EXPECT_EQ(loaded.height, fileHeight) << path;
        if (loaded.width == fileWidth && loaded.height == fileHeight) {
            // The file's first row is the face's t = 0, byte for byte.
            int differing = 0;
            for (int y = 0; y < fileHeight; ++y) {
                for (int x = 0; x < fileWidth; ++x) {
                    const unsigned char* texel = file + (static_cast<std::size_t>(y) * fileWidth + x) * 3;
                    differing += std::memcmp(loaded.at(x, y), texel, 3) != 0 ? 1 : 0;
                }
            }
            EXPECT_EQ(differing, 0) << path << " is not face " << face;
        }
        stbi_image_free(file);
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, skybox->cubemapTexture);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, &value);
    EXPECT_EQ(value, GL_CLAMP_TO_EDGE);
}

TEST_F(SkyboxGl, SixMissingFacesPrintSixMessagesInFaceOrderAndTheSkyStillDraws) {
    std::vector<std::string> names;
    for (const char* face : faceFiles) {
        names.push_back(std::string("../assets/textures/skybox/") + face);
    }
    // From the file-system root, "../assets/" does not exist.
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir("/"), 0);
    testing::internal::CaptureStdout();
    const unsigned int texture = loadCubeMapFaces(names);
    const std::vector<std::string> output = periph::lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(chdir(previous), 0);

    ASSERT_EQ(output.size(), 6u);
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(output[static_cast<std::size_t>(face)], "Cubemap texture failed to load at path: " + names[static_cast<std::size_t>(face)]);
        EXPECT_EQ(cubeFace(texture, face).width, 0);
    }

    // The incomplete cube map draws as black, without an error.
    GlTexture sky = std::move(skybox->cubemapTexture);
    skybox->cubemapTexture = GlTexture(texture);
    Target target(32, 32);
    target.clear(0.2f, 0.4f, 0.6f);
    aimCamera(glm::vec3(0.0f), glm::vec3(0, 0, 1));
    renderSkybox(*skybox, 0.5f);
    EXPECT_EQ(target.read().rgb(16, 16), glm::ivec3(0, 0, 0));
    skybox->cubemapTexture = std::move(sky);  // deletes the incomplete cube map
}

TEST_F(SkyboxGl, OnlyTheMissingFacesAreReportedAndOddRowsLoad) {
    // A 3 x 3 grey image: three bytes a pixel make rows of 9 bytes, not a multiple of 4.
    const std::string odd =
        (std::filesystem::temp_directory_path() / ("periph_odd_face_" + std::to_string(getpid()) + ".pgm")).string();
    {
        std::ofstream file(odd, std::ios::binary);
        file << "P5\n3 3\n255\n";
        const unsigned char grey[9] = {10, 20, 30, 40, 50, 60, 70, 80, 90};
        file.write(reinterpret_cast<const char*>(grey), 9);
    }
    const std::vector<std::string> names = {"../assets/textures/skybox/right.jpg", "missing-left.jpg", odd,
                                            "missing-bottom.jpg", "../assets/textures/skybox/front.jpg", ""};
    testing::internal::CaptureStdout();
    const unsigned int texture = loadCubeMapFaces(names);
    const std::vector<std::string> output = periph::lines(testing::internal::GetCapturedStdout());
    std::remove(odd.c_str());

    ASSERT_EQ(output.size(), 3u);
    EXPECT_EQ(output[0], "Cubemap texture failed to load at path: missing-left.jpg");
    EXPECT_EQ(output[1], "Cubemap texture failed to load at path: missing-bottom.jpg");
    EXPECT_EQ(output[2], "Cubemap texture failed to load at path: ");
    const testgl::Pixels grey = cubeFace(texture, 2);
    ASSERT_EQ(grey.width, 3);
    ASSERT_EQ(grey.height, 3);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(grey.rgb(i % 3, i / 3), glm::ivec3(10 * (i + 1))) << "texel " << i;
    }
    EXPECT_GT(cubeFace(texture, 0).width, 0);
    EXPECT_EQ(cubeFace(texture, 3).width, 0);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4) << "the loader must put the unpack alignment back";
    glDeleteTextures(1, &texture);
}

TEST_F(SkyboxGl, AlwaysLeavesTheDepthFunctionAtLess) {
    Target target(16, 16);
    target.clear(0, 0, 0);
    for (GLenum before : {GL_GREATER, GL_ALWAYS, GL_LEQUAL, GL_LESS}) {
        glDepthFunc(before);
        renderSkybox(*skybox, 0.0f);
        GLint now = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &now);
        EXPECT_EQ(now, GL_LESS) << "after " << before;
    }
    // Also when there is no program yet.
    skybox->skyboxShader.reset();
    glDepthFunc(GL_GEQUAL);
    renderSkybox(*skybox, 0.0f);
    GLint now = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &now);
    EXPECT_EQ(now, GL_LESS);
}

TEST_F(SkyboxGl, OnlyTheRotationOfTheViewReachesTheProgram) {
    Camera& camera = *Camera::getInstance();
    camera.fov = 45.0f;
    camera.aspect = 1280.0f / 720.0f;
    camera.view = glm::lookAt(glm::vec3(12.0f, 3.0f, -40.0f), glm::vec3(0.0f, 10.0f, 200.0f), glm::vec3(0, 1, 0));
    Target target(16, 16);
    target.clear(0, 0, 0);
    renderSkybox(*skybox, 0.25f);

    const unsigned int program = skybox->skyboxShader->program;
    const std::vector<float> view = periph::uniformValues(program, "view", 16);
    const glm::mat4 rotation = glm::mat4(glm::mat3(camera.view));
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(view[static_cast<std::size_t>(i)], glm::value_ptr(rotation)[i]) << "element " << i;
    }
    EXPECT_EQ(view[12], 0.0f);
    EXPECT_EQ(view[13], 0.0f);
    EXPECT_EQ(view[14], 0.0f);
    EXPECT_EQ(view[15], 1.0f);
    const std::vector<float> projection = periph::uniformValues(program, "projection", 16);
    const glm::mat4 expected = glm::perspective(45.0f * 0.017453292f, 1280.0f / 720.0f, 0.1f, 250.0f);
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(projection[static_cast<std::size_t>(i)], glm::value_ptr(expected)[i]) << "element " << i;
    }
    EXPECT_FLOAT_EQ(periph::uniformValues(program, "colorModifierNorm", 1)[0], 0.25f);
}

// Every pixel of the sky shows the direction through it: the program looks the cube map up
// with the cube's position, whatever the eye's position.
TEST_F(SkyboxGl, SamplesTheCubeMapAlongTheViewDirection) {
    GlTexture sky = std::move(skybox->cubemapTexture);
    skybox->cubemapTexture = GlTexture(periph::createSignCubeMap(64));
    Camera& camera = *Camera::getInstance();
    Target target(96, 96);
    const glm::vec3 eyes[2] = {{0, 0, 0}, {40, -7, 90}};
    const glm::vec3 forwards[3] = {{0.3f, 0.2f, 1.0f}, {-1.0f, 0.6f, -0.4f}, {0.2f, -1.0f, 0.5f}};
    for (const glm::vec3& eye : eyes) {
        for (const glm::vec3& forward : forwards) {
            aimCamera(eye, glm::normalize(forward));
            target.clear(0.5f, 0.5f, 0.5f);
            glEnable(GL_DEPTH_TEST);
            renderSkybox(*skybox, 1.0f);
            glDisable(GL_DEPTH_TEST);
            const testgl::Pixels drawn = target.read();
            const glm::mat4 unproject = glm::inverse(
                glm::perspective(camera.fov * 0.017453292f, camera.aspect, 0.1f, 250.0f) * glm::mat4(glm::mat3(camera.view)));
            int judged = 0, wrong = 0;
            for (int y = 0; y < target.height; y += 3) {
                for (int x = 0; x < target.width; x += 3) {
                    const glm::vec4 ndc(2.0f * (x + 0.5f) / target.width - 1.0f, 2.0f * (y + 0.5f) / target.height - 1.0f,
                                        1.0f, 1.0f);
                    const glm::vec4 far = unproject * ndc;
                    const glm::ivec3 expected = periph::expectedSigns(glm::vec3(far) / far.w);
                    judged += 1;
                    wrong += periph::signMismatches(drawn.rgb(x, y), expected) > 0 ? 1 : 0;
                }
            }
            EXPECT_EQ(wrong, 0) << "of " << judged << " pixels, looking along (" << forward.x << ", " << forward.y
                                << ", " << forward.z << ")";
        }
    }
    skybox->cubemapTexture = std::move(sky);  // deletes the sign cube map
}

TEST_F(SkyboxGl, TheRealSkyDrawsAndTurnsWarmerFarFromTheStart) {
    Target target(64, 64);
    auto averageOf = [&](float factor, const glm::vec3& forward) {
        aimCamera(glm::vec3(0.0f), forward);
        target.clear(0, 0, 0);
        renderSkybox(*skybox, factor);
        const testgl::Pixels drawn = target.read();
        glm::dvec3 sum(0.0);
        int black = 0;
        for (int y = 0; y < target.height; ++y) {
            for (int x = 0; x < target.width; ++x) {
                const glm::ivec3 p = drawn.rgb(x, y);
                sum += glm::dvec3(p);
                black += p == glm::ivec3(0) ? 1 : 0;
            }
        }
        EXPECT_EQ(black, 0) << "the sky left pixels black";
        return sum / double(target.width * target.height);
    };
    // Towards the sun (+z) and away from it, a little above the horizon.
    for (const glm::vec3& forward : {glm::vec3(0.0f, 0.15f, 1.0f), glm::vec3(0.0f, 0.15f, -1.0f)}) {
        const glm::dvec3 cool = averageOf(0.0f, glm::normalize(forward));
        const glm::dvec3 warm = averageOf(1.0f, glm::normalize(forward));
        EXPECT_GT(cool.r + cool.g + cool.b, 30.0) << "the sky is nearly black";
        EXPECT_GT(warm.r / warm.b, cool.r / cool.b) << "the far sky must be warmer than the start's";
    }
    // Towards the sun the painted sky is brighter than away from it.
    const glm::dvec3 sunSide = averageOf(0.5f, glm::vec3(0, 0, 1));
    const glm::dvec3 farSide = averageOf(0.5f, glm::vec3(0, 0, -1));
    EXPECT_GT(sunSide.r, farSide.r);
}
