// The thief and a collectible drawn through the real passes and programs into a framebuffer and
// read back: their pixels cover what the CPU projection of their (skinned) vertices covers, and
// the running clip moves them from tick to tick (which also proves the vertex layout the skinning
// reads). Also the hand-over of OpenGL names between models.
#include <GlContext.h>
#include <PixelReadback.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "renderer/DirectionalLight.h"
#include "renderer/RendererState.h"
#include "renderer/ModelPasses.h"
#include "game/PlayerAnimation.h"
#include "renderer/PlayerModel.h"

namespace {

constexpr int width = 200;
constexpr int height = 150;
const std::string models = std::string(QV_ASSET_DIR) + "/models";

struct Box {
    int minX = std::numeric_limits<int>::max(), minY = std::numeric_limits<int>::max();
    int maxX = std::numeric_limits<int>::min(), maxY = std::numeric_limits<int>::min();
    int count = 0;
    void add(int x, int y) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
        ++count;
    }
};

// The clear colour is pure magenta, which no model shows.
using testgl::Pixels;

bool covered(const Pixels& image, int x, int y) { return image.rgb(x, y) != glm::ivec3(255, 0, 255); }

Box coveredBox(const Pixels& image) {
    Box box;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (covered(image, x, y)) {
                box.add(x, y);
            }
        }
    }
    return box;
}

// The pixels the projected vertices of a model fall into, skinned with `bones` when given.
Box projectedBox(const Model& model, const glm::mat4& modelMatrix, const std::vector<glm::mat4>* bones) {
    const Camera& camera = *Camera::getInstance();
    const glm::mat4 projection = glm::perspective(camera.fov * 0.017453292f, camera.aspect, 0.1f, 250.0f);
    const glm::mat4 toClip = projection * camera.view * modelMatrix;
    Box box;
    for (const Mesh& mesh : model.meshes) {
        for (const Vertex& v : mesh.vertices) {
            glm::vec4 p(v.position, 1.0f);
            if (bones != nullptr && v.boneIds[0] >= 0) {
                glm::vec4 skinned(0.0f);
                for (int i = 0; i < 4; ++i) {
                    if (v.boneIds[i] >= 0) {
                        skinned += v.weights[i] * ((*bones)[static_cast<std::size_t>(v.boneIds[i])] * p);
                    }
                }
                p = skinned;
            }
            const glm::vec4 clip = toClip * p;
            const glm::vec3 ndc = glm::vec3(clip) / clip.w;
            box.add(static_cast<int>((ndc.x * 0.5f + 0.5f) * width), static_cast<int>((ndc.y * 0.5f + 0.5f) * height));
        }
    }
    return box;
}

void expectBoxesMatch(const Box& expected, const Box& actual, int tolerance = 2) {
    ASSERT_GT(actual.count, 0) << "nothing drawn";
    // The whole model is in the picture, so no edge of the frame cuts the comparison short.
    ASSERT_TRUE(expected.minX > 0 && expected.minY > 0 && expected.maxX < width - 1 && expected.maxY < height - 1);
    EXPECT_NEAR(expected.minX, actual.minX, tolerance);
    EXPECT_NEAR(expected.maxX, actual.maxX, tolerance);
    EXPECT_NEAR(expected.minY, actual.minY, tolerance);
    EXPECT_NEAR(expected.maxY, actual.maxY, tolerance);
}

class ModelPassesGl : public testgl::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        resetRendererStateForTests();
        dirL.color = glm::vec3(1.0f);
        GameState::getInstance()->particleDt = 1.0 / 60.0;

        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glGenRenderbuffers(2, renderbuffers);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
        ASSERT_EQ(static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE), glCheckFramebufferStatus(GL_FRAMEBUFFER));
        glViewport(0, 0, width, height);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

        // The thief stands next to the bag of gold, (-18, -1.5, 54) in render space, and the
        // camera looks at both from 4 units behind, as the game's camera would.
        Player& player = *Player::getInstance();
        player.position = glm::vec3(-17.0f, -1.33f, -54.0f);  // physics space: drawn at z = +54
        player.yaw = 90.0f;                                   // the model's +z turned to -z
        player.moveForward = player.moveBack = player.moveLeft = player.moveRight = false;
        Camera& camera = *Camera::getInstance();
        const glm::vec3 eye(-17.4f, -1.0f, 58.5f);
        camera.fov = 45.0f;
        camera.aspect = static_cast<float>(width) / height;
        camera.view = glm::lookAt(eye, glm::vec3(-17.4f, -1.5f, 54.0f), glm::vec3(0, 1, 0));
        camera.position = glm::vec3(eye.x, eye.y, -eye.z);
    }

    void TearDown() override {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(2, renderbuffers);
        glDeleteFramebuffers(1, &fbo);
        resetRendererStateForTests();
        Player::getInstance()->moveForward = false;
        GlTest::TearDown();
    }

    void clear() {
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    Pixels read() const { return testgl::readPixels(fbo, width, height); }

    std::unique_ptr<PlayerModel> loadThief() {
        auto thief = std::make_unique<PlayerModel>();
        thief->load(models + "/playerModel");
        thief->shader = std::make_shared<Shader>("../assets/shaders/AnimationShader/animatedModelShader.vert",
                                                 "../assets/shaders/AnimationShader/animatedModelShader.frag");
        return thief;
    }

    // One rendered frame of the player pass; `tick` says whether a fixed step ran.
    Pixels drawThief(PlayerModel& thief, bool tick) {
        clear();
        updateTick = tick;
        animatePlayer(thief);
        renderPlayer(thief);
        return read();
    }

    GLuint fbo = 0;
    GLuint renderbuffers[2] = {0, 0};
};

int differingPixels(const Pixels& a, const Pixels& b) {
    int n = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            n += a.rgb(x, y) != b.rgb(x, y) ? 1 : 0;
        }
    }
    return n;
}

}  // namespace

TEST_F(ModelPassesGl, ThiefPixelsAreWhereTheModelMatrixPutsThem) {
    auto thief = loadThief();
    const Pixels image = drawThief(*thief, true);
    const Player& player = *Player::getInstance();
    const Box expected = projectedBox(thief->model, playerModelMatrix(player.position, player.yaw), &thief->boneMatrices);
    expectBoxesMatch(expected, coveredBox(image));
    // Some 1.8 units tall seen from 4.5 units away: about half the picture's height.
    EXPECT_GT(expected.maxY - expected.minY, height / 3);
    thief->release();
    EXPECT_EQ(0u, thief->model.meshes[0].vao);
}

TEST_F(ModelPassesGl, TwoTicksOfTheRunningClipMoveTheThiefAndFramesWithoutATickDoNot) {
    auto thief = loadThief();
    thief->resetToIdle();
    Player::getInstance()->moveForward = true;
    for (int i = 0; i < 16; ++i) {  // the change to running and its whole cross-fade
        drawThief(*thief, true);
    }
    ASSERT_EQ(&thief->runningAnimation, thief->animator.currentAnimation);
    ASSERT_EQ(0.0f, thief->crossFade);
    const Pixels before = drawThief(*thief, false);
    drawThief(*thief, true);
    const Pixels after = drawThief(*thief, true);
    EXPECT_GT(differingPixels(before, after), 30);
    EXPECT_EQ(0, differingPixels(after, drawThief(*thief, false)));

    const Player& player = *Player::getInstance();
    expectBoxesMatch(projectedBox(thief->model, playerModelMatrix(player.position, player.yaw), &thief->boneMatrices),
                     coveredBox(after));
}

TEST_F(ModelPassesGl, CollectibleAndThiefShareTheFrame) {
    Artifacts artifacts;
    artifacts.loadModels(models);
    artifacts.shader = std::make_shared<Shader>("../assets/shaders/ModelShader/modelShader.vert",
                                                "../assets/shaders/ModelShader/modelShader.frag");
    artifactPresent = {true, false, false};
    clear();
    renderArtifacts(artifacts);
    const Pixels bagAlone = read();
    const Box bag = projectedBox(artifacts.models[0], artifactModelMatrix(0, artifactPositions[0], 0.0f), nullptr);
    expectBoxesMatch(bag, coveredBox(bagAlone));

    auto thief = loadThief();
    const Pixels thiefAlone = drawThief(*thief, true);
    clear();
    updateTick = false;
    renderArtifacts(artifacts);
    renderPlayer(*thief);
    const Pixels both = read();
    int missing = 0;
    int expected = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool inOne = covered(bagAlone, x, y) || covered(thiefAlone, x, y);
            expected += inOne;
            missing += inOne && !covered(both, x, y);
        }
    }
    EXPECT_GT(expected, 100);
    EXPECT_EQ(0, missing);

    // Taken collectibles are not drawn.
    artifactPresent = {false, false, false};
    clear();
    renderArtifacts(artifacts);
    EXPECT_EQ(0, coveredBox(read()).count);
    artifacts.release();
}

TEST_F(ModelPassesGl, MovingAModelHandsOverItsNamesAndReleaseGivesThemBack) {
    Model first;
    first.load(models + "/compass/compass.obj");
    ASSERT_FALSE(first.meshes.empty());
    const GLuint vao = first.meshes[0].vao;
    const GLuint texture = first.loadedTextures.at(0).id;
    ASSERT_TRUE(glIsVertexArray(vao));
    ASSERT_TRUE(glIsTexture(texture));

    Model second;
    second.load(models + "/treasureMap/treasureMap.obj");
    const GLuint replaced = second.meshes.at(0).vao;
    second = std::move(first);
    EXPECT_FALSE(glIsVertexArray(replaced));  // the target's own names went back first
    EXPECT_EQ(vao, second.meshes[0].vao);
    EXPECT_TRUE(glIsVertexArray(vao));

    second.release();
    EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(0u, second.meshes[0].vao);
}
