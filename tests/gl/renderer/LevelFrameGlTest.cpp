// One frame of the level through the textured-mesh program, read back and compared, pixel by
// pixel, with what a ray from the camera hits.
#include <cmath>

#include <GlContext.h>
#include <PixelReadback.h>

#include <GLFW/glfw3.h>
#include <IL/il.h>
#include <unistd.h>

#include <array>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

#include <glm/gtc/matrix_inverse.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "state/GlobalState.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "renderer/LevelMeshes.h"
#include "renderer/Material.h"
#include "renderer/StaticMesh.h"
#include "renderer/TextureDXT5.h"

namespace {

// A material whose diffuse texture is one solid texel; applies it like the level's textured
// materials do (unit 0, "diffuseTexture").
class SolidMaterial : public Material {
public:
    SolidMaterial(std::shared_ptr<Shader> program, glm::vec3 coefficients, float alpha, glm::u8vec3 rgb)
        : Material(std::move(program), coefficients, alpha) {
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        const unsigned char texel[4] = {rgb.r, rgb.g, rgb.b, 255};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    ~SolidMaterial() override { glDeleteTextures(1, &texture); }

    void setUniforms() override {
        Material::setUniforms();
        ++applications;
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, texture);
        shader->setUniform("diffuseTexture", 0);
    }

    GLuint texture = 0;
    int applications = 0;
};

double cursorX = 640.0;
double cursorY = 384.0;
void restingCursor(GLFWwindow*, double* x, double* y) {
    *x = cursorX;
    *y = cursorY;
}

std::vector<glm::vec2> fourCornersSixTimes() {
    std::vector<glm::vec2> coords;
    for (int face = 0; face < 6; ++face) {
        coords.insert(coords.end(), {{1.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 1.0f}});
    }
    return coords;
}

// Entry distance of a ray into an axis-aligned box, or infinity.
float rayBox(const glm::vec3& origin, const glm::vec3& dir, const glm::vec3& centre, const glm::vec3& half) {
    float tMin = 0.0f;
    float tMax = std::numeric_limits<float>::infinity();
    for (int axis = 0; axis < 3; ++axis) {
        const float lo = centre[axis] - half[axis];
        const float hi = centre[axis] + half[axis];
        if (std::abs(dir[axis]) < 1e-9f) {
            if (origin[axis] < lo || origin[axis] > hi) {
                return std::numeric_limits<float>::infinity();
            }
            continue;
        }
        float t0 = (lo - origin[axis]) / dir[axis];
        float t1 = (hi - origin[axis]) / dir[axis];
        if (t0 > t1) std::swap(t0, t1);
        tMin = std::max(tMin, t0);
        tMax = std::min(tMax, t1);
        if (tMin > tMax) {
            return std::numeric_limits<float>::infinity();
        }
    }
    return tMin;
}

enum class Seen { Sky, Platform, Sun };

class LevelFrameGlTest : public testgl::GlTest {
protected:
    void SetUp() override {
        testgl::GlTest::SetUp();
        if (!physxScene) {
            ASSERT_TRUE(initPhysX());
        }
        resetStateForTests();
        introActive = false;
        Camera::setCursorSource(restingCursor);
        program = std::make_shared<Shader>("../assets/shaders/TextureShader/textureShader.vert",
                                           "../assets/shaders/TextureShader/textureShader.frag");
        grey = std::make_shared<SolidMaterial>(program, glm::vec3(0.1f, 0.7f, 0.3f), 8.0f, glm::u8vec3(128));
        sun = std::make_shared<SolidMaterial>(program, glm::vec3(1.0f, 1.0f, 0.0f), 0.0f, glm::u8vec3(255, 149, 0));
        materialMap["grey"] = grey;
        materialMap["sun"] = sun;
        boxTexCoords = fourCornersSixTimes();
    }
    void TearDown() override {
        releaseLevelMeshes();
        materialMap.clear();
        grey.reset();
        sun.reset();
        program.reset();
        Camera::setCursorSource(nullptr);
        testgl::GlTest::TearDown();
    }

    std::shared_ptr<Shader> program;
    std::shared_ptr<SolidMaterial> grey;
    std::shared_ptr<SolidMaterial> sun;
};

TEST_F(LevelFrameGlTest, PlatformsAndSunShowWhereTheCameraLooks) {
    Level level(20.0f, 3.0f, 0.5f);
    level.build();
    createLevelMeshes(level);
    ASSERT_EQ(levelMeshes.size(), 23u);
    ASSERT_NE(sunMesh, nullptr);

    // A frame of the window's shape (1280 x 768), drawn into a single-sample target.
    const int width = 320;
    const int height = 192;
    GLuint fbo = 0, colour = 0, depth = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glViewport(0, 0, width, height);
    const unsigned char clear[3] = {204, 0, 204};
    glClearColor(clear[0] / 255.0f, clear[1] / 255.0f, clear[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);

    Camera& camera = *Camera::getInstance();
    camera.update(context->window());
    // The light uniforms as the frame pass loads them, with a white light so that the grey
    // material stays grey.
    const glm::mat4 viewProj = camera.projection * camera.view;
    program->use();
    program->setUniform("viewProjMatrix", viewProj);
    program->setUniform("dirL.color", glm::vec3(1.0f));
    program->setUniform("dirL.direction", glm::normalize(glm::vec3(0.0f, -0.05f, -1.0f)));
    program->setUniform("gamma", glm::vec3(1.0f / 2.2f));
    drawLevelMeshes(program);
    drawSunMesh(program);
    EXPECT_EQ(grey->applications, 1);  // 23 platforms, one material application
    EXPECT_EQ(sun->applications, 1);

    const testgl::Pixels pixels = testgl::readPixels(fbo, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &depth);
    glDeleteRenderbuffers(1, &colour);
    glDeleteFramebuffers(1, &fbo);

    // What the camera sees through each pixel centre, from the same matrices.
    const glm::mat4 inverse = glm::inverse(viewProj);
    std::vector<Seen> expected(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const glm::vec2 ndc((x + 0.5f) / width * 2.0f - 1.0f, (y + 0.5f) / height * 2.0f - 1.0f);
            glm::vec4 nearPoint = inverse * glm::vec4(ndc, -1.0f, 1.0f);
            glm::vec4 farPoint = inverse * glm::vec4(ndc, 1.0f, 1.0f);
            const glm::vec3 origin = glm::vec3(nearPoint) / nearPoint.w;
            const glm::vec3 dir = glm::normalize(glm::vec3(farPoint) / farPoint.w - origin);
            float best = std::numeric_limits<float>::infinity();
            Seen seen = Seen::Sky;
            for (const LevelObjectDesc& o : level.objects) {
                const float t = rayBox(origin, dir, o.position, o.size * 0.5f);
                if (t < best) {
                    best = t;
                    seen = Seen::Platform;
                }
            }
            if (rayBox(origin, dir, glm::vec3(0.0f, 10.0f, 200.0f), glm::vec3(10.0f, 10.0f, 0.05f)) < best) {
                seen = Seen::Sun;
            }
            expected[static_cast<std::size_t>(y) * width + x] = seen;
        }
    }

    int skyPixels = 0;
    int platformPixels = 0;
    int sunPixels = 0;
    int mismatches = 0;
    for (int y = 1; y < height - 1; ++y) {
        for (int x = 1; x < width - 1; ++x) {
            const Seen seen = expected[static_cast<std::size_t>(y) * width + x];
            // Pixels on an outline may go either way.
            bool interior = true;
            for (const auto& d : {glm::ivec2(1, 0), glm::ivec2(-1, 0), glm::ivec2(0, 1), glm::ivec2(0, -1)}) {
                interior = interior && expected[static_cast<std::size_t>(y + d.y) * width + x + d.x] == seen;
            }
            if (!interior) {
                continue;
            }
            const unsigned char* p = pixels.at(x, y);
            bool ok = false;
            switch (seen) {
            case Seen::Sky:
                ok = p[0] == clear[0] && p[1] == clear[1] && p[2] == clear[2];
                ++skyPixels;
                break;
            case Seen::Platform:
                ok = std::abs(p[0] - p[1]) <= 2 && std::abs(p[1] - p[2]) <= 2 && p[0] > 10;
                ++platformPixels;
                break;
            // The sun's face is lit by its ambient term alone: the texel comes back as it is.
            case Seen::Sun:
                ok = testgl::near(pixels.rgb(x, y), glm::ivec3(255, 149, 0), 2);
                ++sunPixels;
                break;
            }
            if (!ok && ++mismatches <= 5) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") expected class " << static_cast<int>(seen)
                              << ", got " << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    // The frame really shows all three: the start platform fills the lower part, the sky the
    // upper part, the sun a patch above the horizon.
    EXPECT_GT(platformPixels, width * height / 8);
    EXPECT_GT(skyPixels, width * height / 8);
    EXPECT_GT(sunPixels, 50);
}

TEST_F(LevelFrameGlTest, MeshListSkipsUnregisteredAndUnrenderedObjectsAndGroupsMaterials) {
    const std::vector<glm::vec2> coords = fourCornersSixTimes();
    auto other = std::make_shared<SolidMaterial>(program, glm::vec3(0.1f, 0.7f, 0.3f), 8.0f, glm::u8vec3(10));
    materialMap["other"] = other;
    Level level(20.0f, 3.0f, 0.5f);
    const glm::vec3 pm(10.0f, 10.0f, 0.1f);
    level.objects.emplace_back("a", glm::vec3(0.0f), glm::vec3(1.0f), pm, "grey", true, true, coords);
    level.objects.emplace_back("b", glm::vec3(1.0f), glm::vec3(1.0f), pm, "other", true, true, coords);
    level.objects.emplace_back("c", glm::vec3(2.0f), glm::vec3(1.0f), pm, "grey", true, true, coords);
    level.objects.emplace_back("hidden", glm::vec3(3.0f), glm::vec3(1.0f), pm, "grey", true, false, coords);
    level.objects.emplace_back("unknown", glm::vec3(4.0f), glm::vec3(1.0f), pm, "nothing", true, true, coords);
    createLevelMeshes(level);
    ASSERT_EQ(levelMeshes.size(), 3u);
    EXPECT_EQ(materialMap.count("nothing"), 0u);  // the lookup does not grow the map
    // Same materials are neighbours: one change of material along the list, so two
    // applications for three meshes, on every call.
    int changes = 0;
    for (std::size_t i = 1; i < levelMeshes.size(); ++i) {
        changes += levelMeshes[i]->getMaterial() != levelMeshes[i - 1]->getMaterial();
    }
    EXPECT_EQ(changes, 1);
    drawLevelMeshes(program);
    drawLevelMeshes(program);
    EXPECT_EQ(grey->applications, 2);
    EXPECT_EQ(other->applications, 2);
    // No sun built: the sun pass draws nothing and does not fail.
    drawSunMesh(program);
    EXPECT_EQ(sun->applications, 0);
    releaseLevelMeshes();
    EXPECT_TRUE(levelMeshes.empty());
    drawLevelMeshes(program);
    EXPECT_EQ(grey->applications, 2);
    materialMap.erase("other");

    // A row without 24 texture coordinates is a programming error: the builder's exception
    // reaches the caller, and the meshes made before it stay in the list to be released.
    Level faulty(20.0f, 3.0f, 0.5f);
    faulty.objects.emplace_back("a", glm::vec3(0.0f), glm::vec3(1.0f), pm, "grey", true, true, coords);
    faulty.objects.emplace_back("short", glm::vec3(5.0f), glm::vec3(1.0f), pm, "grey", true, true,
                                std::vector<glm::vec2>(23));
    EXPECT_THROW(createLevelMeshes(faulty), std::invalid_argument);
    EXPECT_EQ(levelMeshes.size(), 1u);
}

// The shipped sun texture through the textured-mesh program, with the blending the game keeps
// on: the disc is solid, and the sky (the clear colour) shows all round it up to the square's
// edges, where the old opaque texture drew an orange frame.
TEST_F(LevelFrameGlTest, SkyShowsAroundTheSunsDisc) {
    // The texture loads as the game's does: the asset search finds the file, and the decoder
    // opens "../assets/..." from the working directory, here the source tree's tests folder.
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(QV_SOURCE_DIR "/tests"), 0);
    ilInit();
    auto texture = std::make_shared<TextureDXT5>("../assets/textures/level/sun.dds");
    ASSERT_EQ(chdir(previous), 0);
    ASSERT_EQ(texture->width, 256);  // decoded, not just the compressed upload
    materialMap["sun"] = std::make_shared<TextureMaterial>(program, glm::vec3(1.0f, 1.0f, 0.0f), 0.0f, texture);
    Level level(20.0f, 3.0f, 0.5f);
    level.build();
    ASSERT_NE(sunMesh, nullptr);

    const int size = 128;
    GLuint fbo = 0, colour = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, size, size);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glViewport(0, 0, size, size);
    const glm::ivec3 sky(40, 60, 160);
    glClearColor(sky[0] / 255.0f, sky[1] / 255.0f, sky[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // Straight at the sun's face; the 20 x 20 square fills the target exactly.
    const glm::mat4 viewProj = glm::ortho(-10.0f, 10.0f, -10.0f, 10.0f, 1.0f, 100.0f) *
                               glm::lookAt(glm::vec3(0.0f, 10.0f, 150.0f), glm::vec3(0.0f, 10.0f, 200.0f),
                                           glm::vec3(0.0f, 1.0f, 0.0f));
    program->use();
    program->setUniform("viewProjMatrix", viewProj);
    program->setUniform("dirL.color", glm::vec3(1.0f));
    program->setUniform("dirL.direction", glm::normalize(glm::vec3(0.0f, -0.05f, -1.0f)));
    program->setUniform("gamma", glm::vec3(1.0f / 2.2f));
    drawSunMesh(program);
    glDisable(GL_BLEND);

    const testgl::Pixels pixels = testgl::readPixels(fbo, size, size);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &colour);
    glDeleteFramebuffers(1, &fbo);

    int skyPixels = 0;
    int discPixels = 0;
    int mismatches = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Distance from the centre, 1 at the middle of each edge.
            const float r = std::hypot((x + 0.5f) / size * 2.0f - 1.0f, (y + 0.5f) / size * 2.0f - 1.0f);
            const unsigned char* p = pixels.at(x, y);
            bool ok = true;
            if (r >= 1.02f) {
                ok = testgl::near(pixels.rgb(x, y), sky, 2);
                ++skyPixels;
            } else if (r <= 0.45f) {
                ok = p[0] >= 240 && p[1] >= 180;  // white-hot to yellow: the sky would dim the red
                ++discPixels;
            }
            if (!ok && ++mismatches <= 5) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") at r " << r << ": " << int(p[0]) << " "
                              << int(p[1]) << " " << int(p[2]);
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(skyPixels, size * size / 8);
    EXPECT_GT(discPixels, size * size / 8);
}

}  // namespace
