#include "GameScene.h"

#include <unistd.h>

#include <GLFW/glfw3.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "framework/Framework.h"
#include "state/Camera.h"
#include "game/GameContext.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "game/SoundManager.h"
#include "game/Startup.h"
#include "platform/system/Clock.h"
#include "renderer/EnvironmentCapture.h"
#include "renderer/ParticleSystem.h"
#include "renderer/PlayerModel.h"
#include "renderer/RendererState.h"

namespace gamescene {

double now = 10.0;

namespace {

struct Scene {
    std::unique_ptr<testgl::GlContext> gl;
    std::shared_ptr<RecordingEngine> engine;
    std::unique_ptr<GameContext> context;
    ShaderPrograms programs;
    ParticleSystems particles;
    std::unique_ptr<Level> level;
};

// Built once per process, the first time a suite needs it: the game's singletons are made once.
Scene* scene = nullptr;
bool sceneReady = false;

void restingCursor(GLFWwindow*, double* x, double* y) {
    *x = width / 2.0;
    *y = height / 2.0;
}

// After the last test the scene goes as the game's does at exit: the game's shutdown gives
// every OpenGL name back and frees the level's objects, then terminates GLFW.
class SceneShutdown : public ::testing::Environment {
public:
    void TearDown() override {
        if (scene == nullptr) {
            return;
        }
        if (scene->gl && scene->gl->ok()) {
            shutdownGame(scene->programs, scene->particles, scene->level);
            scene->gl->glfwTerminated();
        }
        delete scene;
        scene = nullptr;
        sceneReady = false;
    }
};

::testing::Environment* const sceneShutdown = ::testing::AddGlobalTestEnvironment(new SceneShutdown);

}  // namespace

void GameSceneTest::SetUpTestSuite() {
    if (scene != nullptr) {
        return;
    }
    ASSERT_EQ(chdir(QV_RUN_DIR), 0);
    scene = new Scene;
    setClockSecondsSource([] { return now; });
    setClockCalendarSource([] { return static_cast<std::time_t>(1700000000 + static_cast<long>(std::floor(now))); });
    setClockTickSource([] { return static_cast<std::uint32_t>(now * 1000.0); });
    resetRendererStateForTests(width, height);
    is16by9 = true;

    scene->gl = std::make_unique<testgl::GlContext>(width, height);
    ASSERT_TRUE(scene->gl->ok()) << scene->gl->error();
    ASSERT_TRUE(initFramework());
    ASSERT_TRUE(initPhysX());
    setStartRenderState();

    createLevelSingletons();
    scene->engine = std::make_shared<RecordingEngine>();
    SoundManager::injectEngine(scene->engine);
    scene->context = std::make_unique<GameContext>();
    ASSERT_EQ(scene->context->soundManager->engine, scene->engine);
    scene->programs = createShaderPrograms();
    scene->particles = createParticlesAndHandOutPrograms(scene->programs);
    scene->level = assembleScene(*scene->context, scene->gl->window(), scene->programs, scene->particles);
    Camera::setCursorSource(restingCursor);
    sceneReady = true;
}

void GameSceneTest::SetUp() {
    ASSERT_TRUE(sceneReady) << "the game's scene could not be assembled";
    resetRendererStateForTests(width, height);
    is16by9 = true;
    introActive = false;
    GameState& state = *GameState::getInstance();
    state.lastTime = state.lastStepTime = state.lastFrame = now;
    PlayerModel::getInstance()->resetToIdle();
    glfwSetWindowShouldClose(window(), GLFW_FALSE);

    SoundManager& sound = *context().soundManager;
    engine().stopAllSounds();
    for (auto& handle : sound.sounds) {
        handle.reset();
    }
    engine().log.clear();

    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    Camera::getInstance()->update(window());
    renderEnvironmentMap(*EnvironmentMap::getInstance(), context().textureShader, gammaVector);
    envCubemapTexture = EnvironmentMap::getInstance()->cubeMap.id;
}

void GameSceneTest::TearDown() {
    if (scene != nullptr && scene->gl->ok()) {
        for (const std::string& message : scene->gl->errors()) {
            ADD_FAILURE() << "OpenGL error: " << message;
        }
        scene->gl->clearErrors();
    }
}

GameContext& GameSceneTest::context() { return *scene->context; }
RecordingEngine& GameSceneTest::engine() { return *scene->engine; }
GLFWwindow* GameSceneTest::window() { return scene->gl->window(); }

Difference difference(const testgl::Pixels& a, const testgl::Pixels& b, int tolerance) {
    Difference d;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            if (!testgl::near(a.rgb(x, y), b.rgb(x, y), tolerance)) {
                ++d.count;
                d.box.add(x, y);
            }
        }
    }
    return d;
}

}  // namespace gamescene
