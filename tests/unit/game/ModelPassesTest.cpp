// The numbers the model passes draw with (model matrices, spin, brightness, the thief's drawn
// height) and the passes' tick gating, without an OpenGL context (no program assigned).
#include <gtest/gtest.h>

#include "state/GameState.h"
#include "state/GlobalState.h"
#include "renderer/ModelPasses.h"
#include "game/PlayerAnimation.h"
#include "renderer/PlayerModel.h"
#include "renderer/RendererState.h"

namespace {

glm::vec3 apply(const glm::mat4& m, glm::vec3 p) {
    return glm::vec3(m * glm::vec4(p, 1.0f));
}

void expectNear(glm::vec3 expected, glm::vec3 actual, float tolerance = 1e-5f) {
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

}  // namespace

TEST(ModelPassNumbers, SpinBrightnessShininessAndTheEye) {
    EXPECT_NEAR(1.5f, advanceSpin(359.0f, 0.1f, 25.0f), 1e-4f);
    EXPECT_EQ(0.0f, advanceSpin(0.0f, 14.4f, 25.0f));  // 360 exactly
    EXPECT_NEAR(0.4545454f, modelBrightness(1.0f), 1e-6f);
    EXPECT_NEAR(1.0f, modelBrightness(10.0f), 1e-6f);
    EXPECT_NEAR(0.3945454f, modelBrightness(0.01f), 1e-6f);
    EXPECT_EQ(14.0f, artifactShininess(0));
    EXPECT_EQ(15.0f, artifactShininess(1));
    EXPECT_EQ(0.0f, artifactShininess(2));
    EXPECT_EQ(0.0f, artifactShininess(4));
    EXPECT_EQ(glm::vec3(1.0f, 2.0f, 3.0f), cameraEyeRenderSpace({1.0f, 2.0f, -3.0f}));
}

TEST(ModelPassNumbers, ThiefIsDrawnNoHigherThanTheGround) {
    EXPECT_EQ(glm::vec3(1.0f, -2.24f, 5.0f), playerDrawPosition({1.0f, -1.33f, -5.0f}));
    EXPECT_EQ(-2.24f, playerDrawPosition({0.0f, 0.0f, 0.0f}).y);
    EXPECT_NEAR(-5.9f, playerDrawPosition({0.0f, -5.0f, 0.0f}).y, 1e-6f);
}

TEST(ModelPassNumbers, ThiefModelMatrixScalesAndTurnsByYawPlusNinety) {
    const glm::vec3 controller(2.0f, -1.33f, -10.0f);
    const glm::vec3 feet(2.0f, -2.24f, 10.0f);
    // Yaw 270 (the start) turns a full circle: the +z-facing model looks along +z of render space.
    expectNear(feet + glm::vec3(0, 0, 1.2f), apply(playerModelMatrix(controller, 270.0f), {0, 0, 1}));
    // Yaw 0 turns 90 degrees about y: +z goes to +x.
    expectNear(feet + glm::vec3(1.2f, 0, 0), apply(playerModelMatrix(controller, 0.0f), {0, 0, 1}));
    expectNear(feet + glm::vec3(0, 1.8f, 0), apply(playerModelMatrix(controller, 0.0f), {0, 1.5f, 0}));
}

TEST(ModelPassNumbers, CollectibleMatricesStandTheirModelsUpAndSpinThem) {
    const glm::vec3 at(-18.0f, -1.5f, 54.0f);
    // The bag: a z-up model turned 270 degrees about x, so its +z becomes +y.
    expectNear(at + glm::vec3(0, 0.06f, 0), apply(artifactModelMatrix(0, at, 0.0f), {0, 0, 1}));
    // Spun 90 degrees about its own up axis: its +x goes to -z.
    expectNear(at + glm::vec3(0, 0, -0.06f), apply(artifactModelMatrix(0, at, 90.0f), {1, 0, 0}));
    // The chest likewise at scale 0.012.
    expectNear(at + glm::vec3(0, 0.012f, 0), apply(artifactModelMatrix(1, at, 33.0f), {0, 0, 1}));
    expectNear(at + glm::vec3(0, 0, -0.012f), apply(artifactModelMatrix(1, at, 90.0f), {1, 0, 0}));
    // The map: a quarter turn about z first (x up), then the spin about y.
    expectNear(at + glm::vec3(0, 0.08f, 0), apply(artifactModelMatrix(2, at, 70.0f), {1, 0, 0}));
    expectNear(at + glm::vec3(0.08f, 0, 0), apply(artifactModelMatrix(2, at, 90.0f), {0, 0, 1}));
    // The compass spins twice as fast: 45 degrees of spin is a quarter turn.
    const glm::vec3 compass(0.0f, 1.0f, 105.0f);
    expectNear(compass + glm::vec3(0.09f, 0, 0), apply(artifactModelMatrix(4, compass, 45.0f), {0, 0, 1}));
    EXPECT_EQ(glm::mat4(1.0f), artifactModelMatrix(3, at, 10.0f));
}

// ---- the passes' bookkeeping without a program -------------------------------------------

class ModelPassTicks : public ::testing::Test {
protected:
    void SetUp() override {
        resetRendererStateForTests();
        model.idleAnimation.ticksPerSecond = 60;
        model.idleAnimation.duration = 1000.0f;
        model.resetToIdle();
        GameState::getInstance()->particleDt = 0.5;
        GameState::getInstance()->delta = 0.1;
    }
    void TearDown() override { resetRendererStateForTests(); }
    PlayerModel model;
};

TEST_F(ModelPassTicks, PlayerAnimatesOnlyOnUpdateTicksOutsideTheCapture) {
    updateTick = false;
    animatePlayer(model);
    renderPlayer(model);
    EXPECT_EQ(0.0f, model.animator.currentTime);
    EXPECT_TRUE(model.boneMatrices.empty());

    updateTick = true;
    renderingCubemap = true;
    animatePlayer(model);
    renderPlayer(model);
    EXPECT_EQ(0.0f, model.animator.currentTime);

    renderingCubemap = false;
    animatePlayer(model);
    renderPlayer(model);
    EXPECT_FLOAT_EQ(30.0f, model.animator.currentTime);
    EXPECT_EQ(100u, model.boneMatrices.size());
}

TEST_F(ModelPassTicks, ArtifactsSpinByTheFrameDelta) {
    Artifacts artifacts;
    artifacts.spinAngle = 359.0f;
    renderArtifacts(artifacts);
    EXPECT_FLOAT_EQ(0.1f, artifacts.frameDelta);
    EXPECT_NEAR(1.5f, artifacts.spinAngle, 1e-4f);
    EXPECT_EQ(25.0f, artifacts.spinSpeed);
}
