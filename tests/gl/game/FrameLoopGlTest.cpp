// The frame loop on the game's real scene, assembled as start-up assembles it, driven by a test
// clock: the fixed step at 80 frames a second and after a stall, the clock sound's threshold,
// the light a frame applies, the pause (clean frame, snapshot, sound fade) and the particle
// warm-up of the first pass, and the environment capture the loading screen owes.
#include <gtest/gtest.h>

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include <glm/geometric.hpp>

#include "framework/Framework.h"
#include "framework/Shader.h"
#include "state/Camera.h"
#include "game/GameContext.h"
#include "game/GameLoop.h"
#include "game/KeyBindings.h"
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
#include "renderer/RendererState.h"
#include "support/GlContext.h"
#include "support/PixelReadback.h"
#include "support/RecordingEngine.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 180;
constexpr double kFrame80 = 1.0 / 80.0;
constexpr double kFixedStep = static_cast<double>(1.0f / 60.0f);

double testSeconds = 0.0;
int swaps = 0;
int particleDraws = 0;
PFNGLDRAWELEMENTSPROC realDrawElements = nullptr;

void countSwap(GLFWwindow* window) {
    ++swaps;
    glfwSwapBuffers(window);
}

// Only the particle systems draw with 16-bit indices: one draw per system and call of updateAndDraw.
void GLAPIENTRY countParticleDraw(GLenum mode, GLsizei count, GLenum type, const void* indices) {
    if (type == GL_UNSIGNED_SHORT) {
        ++particleDraws;
    }
    realDrawElements(mode, count, type, indices);
}

void restingCursor(GLFWwindow*, double* x, double* y) {
    *x = kWidth / 2.0;
    *y = kHeight / 2.0;
}

// Built once per process: the game's singletons are made once, for one window size.
struct Scene {
    std::unique_ptr<testgl::GlContext> gl;
    std::shared_ptr<RecordingEngine> sound = std::make_shared<RecordingEngine>();
    std::unique_ptr<GameContext> context;
    ShaderPrograms programs;
    ParticleSystems particles;
    std::unique_ptr<Level> level;
    std::string error;
};

Scene* builtScene = nullptr;

Scene& scene() {
    if (builtScene == nullptr) {
        auto* s = builtScene = new Scene;
        resetRendererStateForTests(kWidth, kHeight);
        introDone = true;
        loadingScreen = true;
        SoundManager::injectEngine(s->sound);

        s->gl = std::make_unique<testgl::GlContext>(kWidth, kHeight);
        if (!s->gl->ok()) {
            s->error = s->gl->error();
            return *s;
        }
        std::ostringstream transcript;
        std::streambuf* console = std::cout.rdbuf(transcript.rdbuf());
        if (initFramework() && initPhysX()) {
            createLevelSingletons();
            s->context = std::make_unique<GameContext>();
            s->programs = createShaderPrograms();
            s->particles = createParticlesAndHandOutPrograms(s->programs);
            s->level = assembleScene(*s->context, s->gl->window(), s->programs, s->particles);
        } else {
            s->error = "start-up failed: " + transcript.str();
        }
        std::cout.rdbuf(console);
        realDrawElements = glad_glDrawElements;
        glad_glDrawElements = countParticleDraw;
    }
    return *builtScene;
}

// After the last test the scene goes as the game's does at exit: the game's shutdown gives
// every OpenGL name back and frees the level's objects, then terminates GLFW.
class SceneShutdown : public ::testing::Environment {
public:
    void TearDown() override {
        if (builtScene == nullptr) {
            return;
        }
        if (builtScene->gl->ok()) {
            shutdownGame(builtScene->programs, builtScene->particles, builtScene->level);
            builtScene->gl->glfwTerminated();
        }
        delete builtScene;
        builtScene = nullptr;
    }
};

::testing::Environment* const sceneShutdown = ::testing::AddGlobalTestEnvironment(new SceneShutdown);

class FrameLoop : public ::testing::Test {
protected:
    void SetUp() override {
        Scene& s = scene();
        ASSERT_TRUE(s.context) << s.error;
        context = s.context.get();
        sound = s.sound.get();

        testSeconds = 100.0;
        setClockSecondsSource([] { return testSeconds; });
        setClockCalendarSource([] { return std::time_t{1700000000}; });
        setClockTickSource([] { return std::uint32_t{5000}; });
        setSwapBuffersHook(countSwap);

        // The running game: intro over, nothing pending, the player on the start platform.
        resetRendererStateForTests(kWidth, kHeight);
        introDone = true;
        introActive = false;
        Camera::setCursorSource(restingCursor);
        state = context->gameState;
        state->startTimer();
        state->warmupActive = false;
        state->frameInterval = kFrame80;
        state->lastTime = state->lastStepTime = state->lastFrame = testSeconds;
        state->fpsWindowStart = 5.0;
        sound->log.clear();
        s.gl->clearErrors();
    }

    void TearDown() override {
        for (const std::string& message : scene().gl->errors()) {
            ADD_FAILURE() << "OpenGL error: " << message;
        }
        setSwapBuffersHook(nullptr);
        resetClockSources();
    }

    // One pass of the loop, `seconds` after the last; returns the swaps it made.
    int pass(double seconds) {
        testSeconds += seconds;
        swaps = 0;
        EXPECT_TRUE(runFramePass(*context)) << "the frame gate held the pass back";
        return swaps;
    }

    GameContext* context = nullptr;
    GameState* state = nullptr;
    RecordingEngine* sound = nullptr;
};

}  // namespace

TEST_F(FrameLoop, At80FramesASecondTheFixedStepRunsOnThreeFramesOfFour) {
    int steps = 0;
    float oneFrameStep = 0.0f, twoFrameStep = 0.0f;
    for (int frame = 0; frame < 800; ++frame) {
        testSeconds += kFrame80;
        const int ticksBefore = state->jumpTicks;
        const int framesBefore = state->framesSinceStep;
        updateGame(*context);
        const int ran = state->jumpTicks - ticksBefore;
        ASSERT_LE(ran, 1) << "frame " << frame;
        if (frame < 2) {
            // From an empty accumulator the first step waits for a whole 1/60 s.
            EXPECT_EQ(ran, frame) << "frame " << frame;
        }
        if (ran == 1) {
            ++steps;
            EXPECT_TRUE(updateTick);
            EXPECT_EQ(state->framesSinceStep, 0);
            // The step covers the frames since the last one: one or two at 80 frames a second.
            const int covered = framesBefore + 1;
            ASSERT_TRUE(covered == 1 || covered == 2) << "frame " << frame << " covered " << covered;
            (covered == 1 ? oneFrameStep : twoFrameStep) = context->player->stepLength;
        } else {
            EXPECT_FALSE(updateTick);
            ASSERT_EQ(state->framesSinceStep, 1) << "two frames in a row without a step, frame " << frame;
        }
        physicsTicked = false;
    }
    EXPECT_GE(steps, 599);
    EXPECT_LE(steps, 600);
    // The player moves by real time: a step that covers two frames goes twice as far.
    ASSERT_GT(oneFrameStep, 0.0f);
    EXPECT_NEAR(twoFrameStep / oneFrameStep, 2.0f, 1e-4f);
}

TEST_F(FrameLoop, AOneSecondStallIsWorkedOffOneStepPerFrame) {
    for (int frame = 0; frame < 20; ++frame) {
        testSeconds += kFrame80;
        updateGame(*context);
    }
    testSeconds += 1.0;
    int ticks = state->jumpTicks;
    updateGame(*context);
    EXPECT_EQ(state->jumpTicks, ticks + 1);
    EXPECT_NEAR(state->accumulator / kFixedStep, 59.0, 1.0);

    // Each 80th of a second brings 0.75 steps and works one off: the backlog lasts about 240 frames.
    int steppingFrames = 0;
    for (;;) {
        testSeconds += kFrame80;
        ticks = state->jumpTicks;
        updateGame(*context);
        ASSERT_LE(state->jumpTicks - ticks, 1) << "more than one step in one frame";
        if (state->jumpTicks == ticks) {
            break;
        }
        ASSERT_LT(++steppingFrames, 300) << "the backlog is never worked off";
    }
    EXPECT_GE(steppingFrames, 230);
    EXPECT_LT(state->accumulator, kFixedStep);
}

TEST_F(FrameLoop, TheClockSoundStartsElevenSecondsBeforeTheLimit) {
    const auto clockStarts = [&](double limit, double elapsed, bool lost) {
        sound->finish("clock");
        sound->log.clear();
        state->timeLimit = limit;
        state->elapsed = elapsed;
        lostByTime = lost;
        updateGame(*context);
        return sound->entries("play clock").size() == 1;
    };
    EXPECT_FALSE(clockStarts(90.0, 79.0, false));
    EXPECT_TRUE(clockStarts(90.0, 80.0, false));
    EXPECT_TRUE(clockStarts(90.0, 91.0, false));
    EXPECT_FALSE(clockStarts(90.0, 91.0, true));
    EXPECT_FALSE(clockStarts(30.0, 19.0, false));
    EXPECT_TRUE(clockStarts(30.0, 20.0, false));
}

TEST_F(FrameLoop, TheFrameLightsTheLevelBlueAtTheOriginAndOrangeFromTenUnitsOn) {
    const glm::vec3 blue(0.298f, 0.631f, 0.843f);
    const glm::vec3 orange(1.0f, 0.4f, 0.0f);
    const GLuint program = context->textureShader->program;
    const GLint location = glGetUniformLocation(program, "dirL.color");
    ASSERT_GE(location, 0);
    const struct {
        glm::vec3 position;
        glm::vec3 light;
    } cases[] = {
        {{0.0f, 0.0f, 0.0f}, blue},
        {{2.5f, 0.0f, 6.0f}, (blue + orange) * 0.5f},  // 6.5 units out
        {{6.0f, 0.0f, 8.0f}, orange},                  // 10 units out
        {{0.0f, -1.33f, 16.5f}, orange},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "distance " << glm::length(c.position));
        // No fixed step runs, so the player stays where the test put it.
        state->accumulator = 0.0;
        context->player->position = c.position;
        ASSERT_EQ(pass(kFrame80), 1);
        GLfloat applied[3] = {-1.0f, -1.0f, -1.0f};
        glGetUniformfv(program, location, applied);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(applied[i], c.light[i], 1e-5f) << "component " << i;
        }
    }
}

// The wait of a closed gate must hand control back to the loop (which tests the close flag
// again) whatever the clock does: here it stands still, from far off the deadline to just
// before it.
TEST_F(FrameLoop, AClosedFrameGateEndsThePassWithoutDrawingWhileTheClockStandsStill) {
    ASSERT_EQ(pass(kFrame80), 1);
    for (const double early : {kFrame80 * 0.75, 0.0004, 0.00005}) {
        SCOPED_TRACE(testing::Message() << early * 1000.0 << " ms before the deadline");
        testSeconds = state->lastFrame + state->frameInterval - early;
        swaps = 0;
        const int ticks = state->jumpTicks;
        EXPECT_FALSE(runFramePass(*context));
        EXPECT_EQ(swaps, 0);
        EXPECT_EQ(state->jumpTicks, ticks);
    }
    EXPECT_EQ(pass(0.0001), 1);
}

TEST_F(FrameLoop, TheCleanFrameBeforeAPauseIsSwappedTwiceAndTheNextPassTakesTheSnapshot) {
    EXPECT_EQ(pass(kFrame80), 1);
    // P pressed in the running game.
    paused = true;
    pauseRequested = true;
    EXPECT_EQ(pass(kFrame80), 2);
    EXPECT_FALSE(pauseRequested);
    EXPECT_FALSE(pauseSnapshotTaken);
    EXPECT_FALSE(clockPaused);

    EXPECT_EQ(pass(kFrame80), 1);
    EXPECT_TRUE(pauseSnapshotTaken);
    EXPECT_TRUE(clockPaused);
    EXPECT_TRUE(fadeIn);
    EXPECT_EQ(pass(kFrame80), 1);
    // The still picture is on screen: the passes that follow show nothing new, until the window
    // loses its contents.
    EXPECT_EQ(pass(kFrame80), 0);
    EXPECT_EQ(pass(kFrame80), 0);
    windowRefreshCallback(context->gameWindow);
    EXPECT_EQ(pass(kFrame80), 1);
    EXPECT_EQ(pass(kFrame80), 0);
    // Running again, every pass swaps; the next pause shows its picture afresh.
    paused = false;
    EXPECT_EQ(pass(kFrame80), 1);
    EXPECT_EQ(pass(kFrame80), 1);
    paused = true;
    pauseRequested = true;
    EXPECT_EQ(pass(kFrame80), 2);
    EXPECT_EQ(pass(kFrame80), 1);
    EXPECT_EQ(pass(kFrame80), 1);
    EXPECT_EQ(pass(kFrame80), 0);
    // Two pause keys within one poll, P P or N P: out of the pause and into a new one at once.
    // The clean frame replaces the picture on screen, so the picture is drawn again after it.
    for (int first : {GLFW_KEY_P, GLFW_KEY_N}) {
        SCOPED_TRACE(first == GLFW_KEY_P ? "P P" : "N P");
        keyCallback(context->gameWindow, first, 0, GLFW_RELEASE, 0);
        keyCallback(context->gameWindow, GLFW_KEY_P, 0, GLFW_RELEASE, 0);
        EXPECT_EQ(pass(kFrame80), 2);
        if (!clockPaused) {
            EXPECT_EQ(pass(kFrame80), 1);  // the snapshot
        }
        EXPECT_EQ(pass(kFrame80), 1);
        EXPECT_EQ(pass(kFrame80), 0);
    }
    // A picture whose clear shows (F1 draws the quads as outlines) is drawn until it clears with
    // the colour every later picture clears with.
    paused = false;
    EXPECT_EQ(pass(kFrame80), 1);
    glClearColor(0.2f, 0.3f, 0.4f, 1.0f);
    paused = true;
    pauseRequested = true;
    EXPECT_EQ(pass(kFrame80), 2);
    EXPECT_EQ(pass(kFrame80), 1);
    glClearColor(0.2f, 0.3f, 0.4f, 1.0f);  // as the frame before the pause would have left it
    EXPECT_EQ(pass(kFrame80), 1);
    EXPECT_EQ(pass(kFrame80), 1);
    EXPECT_EQ(pass(kFrame80), 0);
    introActive = false;
    paused = false;
}

TEST_F(FrameLoop, ThePauseSoundFadesInAndOutOverHalfASecond) {
    SoundManager& manager = *context->soundManager;
    pass(kFrame80);
    paused = true;
    pauseRequested = true;
    pass(kFrame80);
    pass(kFrame80);  // the snapshot: the fade in starts now
    ASSERT_TRUE(fadeIn);
    const double fadeInStart = testSeconds;
    EXPECT_DOUBLE_EQ(state->fadeStart, fadeInStart);

    pass(0.125);
    EXPECT_NEAR(manager.pauseFade, 0.25f, 1e-6f);
    pass(0.125);
    EXPECT_NEAR(manager.pauseFade, 0.5f, 1e-6f);
    pass(0.2);
    EXPECT_NEAR(manager.pauseFade, 0.9f, 1e-6f);
    EXPECT_TRUE(fadeIn);
    pass(0.05);
    EXPECT_EQ(manager.pauseFade, 1.0f);
    EXPECT_FALSE(fadeIn);
    pass(1.0);
    EXPECT_EQ(manager.pauseFade, 1.0f);

    // P again: the first running pass starts the fade out.
    paused = false;
    pass(kFrame80);
    ASSERT_TRUE(fadeOut);
    EXPECT_DOUBLE_EQ(state->fadeStart, testSeconds);
    pass(0.25);
    EXPECT_NEAR(manager.pauseFade, 0.5f, 1e-6f);
    pass(0.2);
    EXPECT_NEAR(manager.pauseFade, 0.1f, 1e-6f);
    EXPECT_TRUE(fadeOut);
    pass(0.05);
    EXPECT_EQ(manager.pauseFade, 0.0f);
    EXPECT_FALSE(fadeOut);
}

TEST_F(FrameLoop, TheFirstPassAdvancesTheParticles120TimesByAFifthOfASecond) {
    // The first pass of the process: the intro runs and the warm-up is still to come.
    introActive = true;
    state->warmupActive = true;
    state->warmupCountdown = 120;
    for (ParticleSystem* system : {context->fireParticles, context->smokeParticles}) {
        for (Particle& p : system->simulation.particles) {
            p = Particle();
        }
        system->simulation.aliveCount = 0;
    }

    const int updatesBefore = state->frameCount;
    particleDraws = 0;
    pass(kFrame80);
    const int warmUpPassDraws = particleDraws;
    EXPECT_FALSE(state->warmupActive);
    EXPECT_EQ(state->warmupCountdown, 0);
    // 120 warm-up rounds and the update each count as an update of the frames-per-second window.
    EXPECT_EQ(state->frameCount - updatesBefore, 121);
    // The youngest sparks and smoke have aged by one round of 0.2 s.
    for (ParticleSystem* system : {context->fireParticles, context->smokeParticles}) {
        float youngest = 0.0f;
        for (const Particle& p : system->simulation.particles) {
            youngest = std::max(youngest, p.life);
        }
        EXPECT_NEAR(youngest, system->simulation.lifeMax - 0.2f, 1e-4f) << "type " << system->simulation.type;
    }

    // The next pass is an ordinary one: two systems drawn 120 times fewer.
    state->accumulator = 0.0;
    particleDraws = 0;
    pass(kFrame80);
    EXPECT_EQ(warmUpPassDraws - particleDraws, 240);
    EXPECT_EQ(state->frameCount - updatesBefore, 122);
}

// A screen hides the mirror cube: its fixed steps record their captures and draw no face. The
// first game frame draws the faces it can show from the last record; the others stay owed.
TEST_F(FrameLoop, ScreensRecordTheirCapturesAndTheFirstGameFrameDrawsTheFacesItShows) {
    EnvironmentMap& map = *EnvironmentMap::getInstance();
    pass(kFixedStep * 1.01);  // a game frame
    // Brighter from here on: a face drawn from an older record would show the old gamma.
    struct RestoreBrightness {
        float value = brightness;
        ~RestoreBrightness() {
            brightness = value;
            applyBrightness();
        }
    } restore;
    brightness = 4.0f;
    applyBrightness();
    introActive = true;
    loadingScreen = true;
    state->textTicks = FadeTimings::getInstance()->shortFadeOutStart - 3;
    while (introActive) {
        const unsigned long recorded = map.scene.generation;
        pass(kFixedStep * 1.01);
        EXPECT_FALSE(physicsTicked);
        EXPECT_EQ(map.scene.generation, recorded + 1) << "every step records its capture";
        EXPECT_EQ(map.facesOwed(), allEnvironmentFaces) << "the screen draws no face";
    }
    // A frame without a fixed step shows the cube from the loading screen's last capture.
    const unsigned long last = map.scene.generation;
    pass(kFrame80);
    ASSERT_EQ(map.scene.generation, last) << "the game frame ran a fixed step";
    const unsigned int drawn = allEnvironmentFaces & ~map.facesOwed();
    EXPECT_NE(drawn, 0u) << "the cube is in view from the start platform";
    EXPECT_NE(drawn, allEnvironmentFaces) << "some face is out of the mirror's reach";

    std::vector<testgl::Pixels> made;
    for (int face = 0; face < 6; ++face) {
        made.push_back(testgl::readTexture(map.cubeMap.id, GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face)));
    }
    drawEveryPassInFull = true;
    renderEnvironmentMap(map, context->textureShader, gammaVector);
    drawEveryPassInFull = false;
    for (int face = 0; face < 6; ++face) {
        if ((drawn & (1u << face)) == 0) {
            continue;
        }
        const testgl::Pixels now =
            testgl::readTexture(map.cubeMap.id, GL_TEXTURE_CUBE_MAP_POSITIVE_X + static_cast<GLenum>(face));
        EXPECT_TRUE(now.rgba == made[static_cast<std::size_t>(face)].rgba) << "face " << face << " is stale";
    }
}
