// Both particle systems on a real context: the flags that let them spawn and move, the intro's
// bursts and the glows they draw. The simulation itself is tested without a window.
#include <algorithm>
#include <memory>

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "support/OneParticle.h"
#include "support/PeripheryGl.h"
#include "framework/Shader.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "renderer/ParticleSystem.h"

using periph::PeripheryGlTest;
using periph::Target;

namespace {

class ParticlesGl : public PeripheryGlTest {
protected:
    void SetUp() override {
        PeripheryGlTest::SetUp();
        program = std::make_shared<Shader>("../assets/shaders/ParticleShader/particleShader.vert",
                                           "../assets/shaders/ParticleShader/particleShader.frag");
        fire = std::make_unique<ParticleSystem>(program, 0);
        smoke = std::make_unique<ParticleSystem>(program, 1);
        savedDt = GameState::getInstance()->particleDt;
    }
    void TearDown() override {
        smoke.reset();
        fire.reset();
        program.reset();
        GameState::getInstance()->particleDt = savedDt;
        PeripheryGlTest::TearDown();
    }

    static int liveCount(const ParticleSystem& system) {
        const ParticleSimulation& simulation = system.simulation;
        return static_cast<int>(std::count_if(simulation.particles.begin(), simulation.particles.end(),
                                              [](const Particle& p) { return p.life > 0.0f; }));
    }

    // One live particle in slot `slot`, everything else never used.
    static Particle& only(ParticleSystem& system, int slot, const glm::vec3& position, float life) {
        return onlyParticle(system.simulation, slot, position, life);
    }

    std::shared_ptr<Shader> program;
    std::unique_ptr<ParticleSystem> fire, smoke;
    double savedDt = 0.0;
};

}  // namespace

TEST_F(ParticlesGl, IntroSpawnsAHundredPerCallAndTicksSpawnWithinThePresetRange) {
    GameState::getInstance()->particleDt = 0.01;
    Target target(8, 8);
    target.clear(0, 0, 0);
    introActive = true;
    updateTick = false;  // the intro needs no fixed step
    fire->updateAndDraw(1.0f);
    EXPECT_EQ(fire->simulation.spawnCount, 100);
    EXPECT_EQ(liveCount(*fire), 100);
    EXPECT_EQ(fire->simulation.aliveCount, 100);
    smoke->updateAndDraw(1.0f);
    fire->updateAndDraw(1.0f);
    EXPECT_EQ(liveCount(*fire), 200);
    EXPECT_EQ(liveCount(*smoke), 100);
    // The update ran with the last step's particleDt.
    for (const Particle& p : fire->simulation.particles) {
        if (p.life > 0.0f) {
            EXPECT_TRUE(p.life == 20.0f - 0.01f || p.life == 20.0f - 0.02f) << p.life;
        }
    }

    introActive = false;
    updateTick = true;
    for (int call = 0; call < 20; ++call) {
        const int before = liveCount(*smoke);
        smoke->updateAndDraw(0.0f);
        EXPECT_GE(smoke->simulation.spawnCount, 8);
        EXPECT_LE(smoke->simulation.spawnCount, 40);
        EXPECT_EQ(liveCount(*smoke), before + smoke->simulation.spawnCount);
    }

    // Neither flag: nothing spawns, nothing moves, the last streams are drawn again.
    updateTick = false;
    const int before = liveCount(*smoke);
    const int drawn = smoke->simulation.aliveCount;
    const Particle first = smoke->simulation.particles[0];
    smoke->updateAndDraw(0.0f);
    EXPECT_EQ(smoke->simulation.spawnCount, 0);
    EXPECT_EQ(liveCount(*smoke), before);
    EXPECT_EQ(smoke->simulation.aliveCount, drawn);
    EXPECT_EQ(smoke->simulation.particles[0].life, first.life);
    EXPECT_EQ(smoke->simulation.particles[0].position, first.position);
    GLint vertexArray = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_EQ(vertexArray, 0);
}

TEST_F(ParticlesGl, EachParticleIsARoundSoftGlowWhereItProjects) {
    Camera& camera = *Camera::getInstance();
    camera.position = glm::vec3(0.0f, 0.0f, -5.0f);  // physics space: render (0, 0, 5)
    camera.view = glm::lookAt(glm::vec3(0.0f, 0.0f, 5.0f), glm::vec3(0.0f), glm::vec3(0, 1, 0));
    camera.projection = glm::perspective(glm::radians(45.0f), 1.0f, 0.1f, 250.0f);
    Particle& p = only(*fire, 0, glm::vec3(-1.0f, 0.0f, 0.0f), 10.0f);
    p.size = 1.5f;
    p.r = 255;
    p.g = 60;
    p.b = 0;
    fire->simulation.particles[1] = p;
    fire->simulation.particles[1].position = glm::vec3(1.0f, 0.0f, 0.0f);
    fire->simulation.particles[1].r = 40;
    fire->simulation.particles[1].g = 80;
    fire->simulation.particles[1].b = 255;
    fire->simulation.update(0.01, camera.position);

    Target target(128, 128);
    target.clear(0, 0, 0);
    updateTick = false;
    introActive = false;
    glEnable(GL_DEPTH_TEST);
    fire->updateAndDraw(0.0f);
    glDisable(GL_DEPTH_TEST);
    const testgl::Pixels drawn = target.read();
    // Each glow sits where its particle projects: x = +-1 at distance 5 is 0.483 of the half-screen.
    const int left = static_cast<int>(64.0f - 0.4828f * 64.0f);
    const int right = static_cast<int>(64.0f + 0.4828f * 64.0f);
    const glm::ivec3 red = drawn.rgb(left, 64);
    const glm::ivec3 blue = drawn.rgb(right, 64);
    EXPECT_GT(red.r, 60);
    EXPECT_GT(red.r, red.b + 30);
    EXPECT_GT(blue.b, 40);
    EXPECT_GT(blue.b, blue.r);
    // Round and soft: nothing at the quad's corners, black between the two.
    EXPECT_EQ(drawn.rgb(64, 64), glm::ivec3(0));
    const int half = static_cast<int>(0.75f / 5.0f / std::tan(glm::radians(22.5f)) * 64.0f);
    EXPECT_LT(drawn.rgb(left - half + 1, 64 + half - 1).r, 8);
    // The glow fades from its middle outwards.
    EXPECT_GT(red.r, drawn.rgb(left + half / 2, 64).r);
}
