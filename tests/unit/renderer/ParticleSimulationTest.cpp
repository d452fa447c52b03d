// The particles' life without a window: spawning, the free-slot search, ageing, clamping,
// fading, culling and the back-to-front order of the streams.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "support/OneParticle.h"
#include "renderer/ParticleSimulation.h"

namespace {

class ParticleSimulationTest : public ::testing::Test {
protected:
    static int liveCount(const ParticleSimulation& system) {
        return static_cast<int>(std::count_if(system.particles.begin(), system.particles.end(),
                                              [](const Particle& p) { return p.life > 0.0f; }));
    }

    static void fillPool(ParticleSimulation& system, float life) {
        for (Particle& p : system.particles) {
            p.life = life;
        }
    }

    std::unique_ptr<ParticleSimulation> fire = std::make_unique<ParticleSimulation>(0);
    std::unique_ptr<ParticleSimulation> smoke = std::make_unique<ParticleSimulation>(1);
};

}  // namespace

// x spans 72 units (twice the spawn box), z runs from -12 to 120; fire starts at height 3,
// smoke at -2. The formulas expect rand() values from 0 to 32767.
TEST_F(ParticleSimulationTest, SpawnsInsideTheLevelWithThePresetsColours) {
    std::srand(7);
    fire->spawn(2000);
    smoke->spawn(2000);
    ASSERT_EQ(liveCount(*fire), 2000);
    ASSERT_EQ(liveCount(*smoke), 2000);
    float xMin = 1e9f, xMax = -1e9f;
    for (const ParticleSimulation* system : {fire.get(), smoke.get()}) {
        for (const Particle& p : system->particles) {
            if (p.life <= 0.0f) continue;
            EXPECT_EQ(p.life, system->lifeMax);
            ASSERT_GE(p.position.x, -36.0f);
            ASSERT_LE(p.position.x, 36.0f);
            ASSERT_GE(p.position.z, -12.0f);
            ASSERT_LE(p.position.z, 120.0f);
            ASSERT_EQ(p.position.y, system->type == 0 ? 3.0f : -2.0f);
            for (int k = 0; k < 3; ++k) {
                ASSERT_GE(p.velocity[k], -1.0f);
                ASSERT_LT(p.velocity[k], 1.0f);
            }
            ASSERT_GE(p.size, 0.1f * system->sizeScale - 1e-7f);
            ASSERT_LT(p.size, 0.6f * system->sizeScale);
            if (system->type == 0) {
                // Between red, yellow and orange: full red, no blue.
                ASSERT_GE(p.r, 254);
                ASSERT_EQ(p.b, 0);
            } else {
                ASSERT_EQ(p.r, p.g);
                ASSERT_EQ(p.g, p.b);
                ASSERT_GE(p.r, 20);
                ASSERT_LE(p.r, 120);
            }
            xMin = std::min(xMin, p.position.x);
            xMax = std::max(xMax, p.position.x);
        }
    }
    EXPECT_LT(xMin, -30.0f);
    EXPECT_GT(xMax, 30.0f);
}

TEST_F(ParticleSimulationTest, FreeSlotSearchWrapsAroundAndAFullPoolReusesSlotZero) {
    fillPool(*fire, 5.0f);
    fire->particles[10].life = -1.0f;
    fire->lastUsedParticle = 500;
    EXPECT_EQ(fire->findUnusedParticle(), 10);
    EXPECT_EQ(fire->lastUsedParticle, 10);

    fire->particles[10].life = 5.0f;
    fire->lastUsedParticle = 1234;
    EXPECT_EQ(fire->findUnusedParticle(), 0);
    EXPECT_EQ(fire->lastUsedParticle, 1234) << "no free slot: the search start stays";

    // A full pool: every new particle lands in slot 0.
    fire->particles[0].life = 0.5f;
    fire->spawn(3);
    EXPECT_EQ(fire->spawnIndex, 0);
    EXPECT_EQ(fire->particles[0].life, fire->lifeMax);
    EXPECT_EQ(fire->lastUsedParticle, 1234);
    EXPECT_EQ(liveCount(*fire), ParticleSimulation::MaxParticles);
}

TEST_F(ParticleSimulationTest, AfterTheSortSlotZeroHoldsTheFarthestLiveParticle) {
    fillPool(*fire, 10.0f);
    for (int i = 0; i < ParticleSimulation::MaxParticles; ++i) {
        fire->particles[static_cast<std::size_t>(i)].position = glm::vec3(0.0f, 0.0f, static_cast<float>(i % 97) * 0.1f);
        fire->particles[static_cast<std::size_t>(i)].velocity = glm::vec3(0.0f);
    }
    fire->particles[4321].position = glm::vec3(0.0f, 40.0f, 0.0f);
    fire->update(0.0001, glm::vec3(0.0f));
    EXPECT_NEAR(fire->particles[0].position.y, 40.0f, 1e-4f);
    for (int i = 1; i < ParticleSimulation::MaxParticles; ++i) {
        ASSERT_GE(fire->particles[static_cast<std::size_t>(i - 1)].cameraDistance,
                  fire->particles[static_cast<std::size_t>(i)].cameraDistance);
    }
    fire->spawn(1);
    EXPECT_EQ(fire->spawnIndex, 0) << "the farthest particle makes way";
}

TEST_F(ParticleSimulationTest, LifeLandingExactlyOnZeroIsNeitherUpdatedNorReused) {
    Particle& p = onlyParticle(*fire, 3, glm::vec3(1.0f, 2.0f, 3.0f), 0.5f);
    p.velocity = glm::vec3(0.1f, 0.1f, 0.1f);
    // The sort moves it among the dead; find it again after every update.
    auto landed = [&] {
        return std::find_if(fire->particles.begin(), fire->particles.end(),
                            [](const Particle& q) { return q.life == 0.0f; });
    };
    fire->update(0.5, glm::vec3(0.0f));
    EXPECT_EQ(fire->aliveCount, 0);
    auto zero = landed();
    ASSERT_NE(zero, fire->particles.end());
    EXPECT_EQ(zero->cameraDistance, -1.0f);
    EXPECT_EQ(zero->position, glm::vec3(1.0f, 2.0f, 3.0f)) << "a dying particle does not move";

    // Not updated again ...
    fire->update(0.5, glm::vec3(0.0f));
    zero = landed();
    ASSERT_NE(zero, fire->particles.end()) << "life 0 must stay 0";
    EXPECT_EQ(zero->position, glm::vec3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(fire->aliveCount, 0);
    // ... and not free: every other slot taken, the search finds nothing and falls back to 0.
    for (Particle& q : fire->particles) {
        if (&q != &*zero) q.life = 5.0f;
    }
    const int zeroSlot = static_cast<int>(zero - fire->particles.begin());
    fire->lastUsedParticle = zeroSlot;
    fire->findUnusedParticle();
    EXPECT_EQ(fire->lastUsedParticle, zeroSlot);
    EXPECT_EQ(fire->particles[static_cast<std::size_t>(zeroSlot)].life, 0.0f);
}

TEST_F(ParticleSimulationTest, VelocityIsClampedPerType) {
    Particle& f = onlyParticle(*fire, 0, glm::vec3(0.0f), 10.0f);
    f.velocity = glm::vec3(0.9f, -0.9f, -0.9f);
    fire->update(0.1, glm::vec3(0.0f));
    EXPECT_FLOAT_EQ(fire->particles[0].velocity.x, 0.25f);
    EXPECT_FLOAT_EQ(fire->particles[0].velocity.y, -0.25f);
    EXPECT_FLOAT_EQ(fire->particles[0].velocity.z, -0.5f);
    // Moved by the clamped velocity.
    EXPECT_NEAR(fire->particles[0].position.x, 0.025f, 1e-6f);
    EXPECT_NEAR(fire->particles[0].position.z, -0.05f, 1e-6f);

    // Fire may rise fast, only its fall is limited; it is pulled down by half its acceleration.
    Particle& up = onlyParticle(*fire, 0, glm::vec3(0.0f), 10.0f);
    up.velocity = glm::vec3(-0.9f, 0.9f, 0.9f);
    fire->update(0.1, glm::vec3(0.0f));
    EXPECT_FLOAT_EQ(fire->particles[0].velocity.x, -0.25f);
    EXPECT_FLOAT_EQ(fire->particles[0].velocity.y, 0.9f - 0.5f * 0.1f * 0.5f);
    EXPECT_FLOAT_EQ(fire->particles[0].velocity.z, 0.5f);

    // Smoke: its rise is limited to 0.1, its fall is not; sideways 0.1 and 0.2.
    Particle& s = onlyParticle(*smoke, 0, glm::vec3(0.0f), 10.0f);
    s.velocity = glm::vec3(0.9f, 0.9f, 0.9f);
    smoke->update(0.1, glm::vec3(0.0f));
    EXPECT_FLOAT_EQ(smoke->particles[0].velocity.x, 0.1f);
    EXPECT_FLOAT_EQ(smoke->particles[0].velocity.y, 0.1f);
    EXPECT_FLOAT_EQ(smoke->particles[0].velocity.z, 0.2f);
    Particle& down = onlyParticle(*smoke, 0, glm::vec3(0.0f), 10.0f);
    down.velocity = glm::vec3(0.0f, -0.9f, 0.0f);
    smoke->update(0.1, glm::vec3(0.0f));
    EXPECT_FLOAT_EQ(smoke->particles[0].velocity.y, -0.9f + 0.3f * 0.1f * 0.5f);
}

TEST_F(ParticleSimulationTest, AlphaFadesInAfterSpawnAndOutBeforeDeath) {
    struct Case {
        ParticleSimulation* system;
        float lifeBefore;
        int alpha;
    };
    const Case cases[] = {
        {fire.get(), 19.1f, 36},   // 1 s after spawn: a third of the 3 s fade-in of 110
        {fire.get(), 10.1f, 110},  // full
        {fire.get(), 1.6f, 55},    // 1.5 s left of the 3 s fade-out
        {smoke.get(), 23.6f, 50},  // smoke fades in over 1 s to 100
        {smoke.get(), 12.1f, 100},
        {smoke.get(), 0.35f, 8},   // 0.25 s left: 100 / 12 = 8.3
    };
    for (const Case& c : cases) {
        onlyParticle(*c.system, 0, glm::vec3(0.0f), c.lifeBefore);
        c.system->update(0.1, glm::vec3(0.0f));
        ASSERT_EQ(c.system->aliveCount, 1);
        // Truncated to a byte; single precision may land a hair below the whole number.
        EXPECT_NEAR(c.system->colorData[3], c.alpha, 1) << "type " << c.system->type << ", life " << c.lifeBefore;
        EXPECT_EQ(c.system->colorData[0], 200);
        EXPECT_EQ(c.system->colorData[1], 100);
        EXPECT_EQ(c.system->colorData[2], 50);
    }
}

// The cull test compares the particle's z negated with the camera's (physics-space) z; the
// squared distance does not negate it.
TEST_F(ParticleSimulationTest, ParticlesFarFromTheCameraAreCountedWithAlphaZero) {
    const glm::vec3 camera(0.0f, 0.0f, -60.0f);  // physics space: render z = 60
    onlyParticle(*fire, 0, glm::vec3(0.0f, 0.0f, 60.0f), 10.0f);   // right at the camera: drawn
    fire->particles[1] = fire->particles[0];
    fire->particles[1].position = glm::vec3(50.5f, 0.0f, 60.0f);  // 50.5 along x: culled
    fire->particles[2] = fire->particles[0];
    fire->particles[2].position = glm::vec3(49.5f, 0.0f, 60.0f);  // 49.5: drawn
    fire->particles[3] = fire->particles[0];
    fire->particles[3].position = glm::vec3(0.0f, 0.0f, 9.0f);    // 51 along z: culled
    fire->particles[4] = fire->particles[0];
    fire->particles[4].position = glm::vec3(0.0f, 0.0f, -60.0f);  // same physics z, 120 away: culled
    fire->update(0.01, camera);
    ASSERT_EQ(fire->aliveCount, 5);
    int culled = 0, shown = 0;
    for (int n = 0; n < fire->aliveCount; ++n) {
        const float x = fire->positionSizeData[4 * n];
        const float z = fire->positionSizeData[4 * n + 2];
        const int alpha = fire->colorData[4 * n + 3];
        const bool far = std::abs(x - camera.x) > 50.0f || std::abs(-z - camera.z) > 50.0f;
        EXPECT_EQ(alpha == 0, far) << "particle at x " << x << ", z " << z;
        (far ? culled : shown) += 1;
    }
    EXPECT_EQ(culled, 3);
    EXPECT_EQ(shown, 2);
    // The squared distance uses the particle's z as it is: the culled particle at render
    // z = -60 lies at distance 0, the drawn one at the camera 120 away.
    for (const Particle& p : fire->particles) {
        if (p.life <= 0.0f) continue;
        if (p.position == glm::vec3(0.0f, 0.0f, -60.0f)) {
            EXPECT_EQ(p.cameraDistance, 0.0f);
        }
        if (p.position == glm::vec3(0.0f, 0.0f, 60.0f)) {
            EXPECT_EQ(p.cameraDistance, 120.0f * 120.0f);
        }
    }
}

TEST_F(ParticleSimulationTest, StreamsAreWrittenFarToNearFromTheLastSort) {
    onlyParticle(*fire, 0, glm::vec3(0.0f, 0.0f, 1.0f), 10.0f);
    const float distances[] = {5.0f, 30.0f, 2.0f, 12.0f};
    for (int i = 1; i < 5; ++i) {
        fire->particles[static_cast<std::size_t>(i)] = fire->particles[0];
        fire->particles[static_cast<std::size_t>(i)].position = glm::vec3(distances[i - 1], 0.0f, 0.0f);
    }
    fire->update(0.01, glm::vec3(0.0f));
    fire->update(0.01, glm::vec3(0.0f));  // writes in the order the first update sorted
    ASSERT_EQ(fire->aliveCount, 5);
    const float expectedX[5] = {30.0f, 12.0f, 5.0f, 2.0f, 0.0f};
    for (int n = 0; n < 5; ++n) {
        EXPECT_FLOAT_EQ(fire->positionSizeData[4 * n], expectedX[n]) << "instance " << n;
        EXPECT_FLOAT_EQ(fire->positionSizeData[4 * n + 3], 0.05f);
    }
}

// Only quads that clipping removes whole are left out; the rest keep their stream order. The
// camera looks down -z from the origin with a 90 degree view, so at distance 5 the screen spans
// x from -5 to 5, and a quad reaches half its size beyond its centre.
TEST_F(ParticleSimulationTest, QuadsThatCannotReachTheScreenAreLeftOutOfTheDrawnStreams) {
    const glm::mat4 viewProj = glm::perspective(glm::radians(90.0f), 1.0f, 0.1f, 250.0f) *
                               glm::lookAt(glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, -1.0f), glm::vec3(0, 1, 0));
    const float instances[][4] = {
        {0.0f, 0.0f, -5.0f, 0.1f},    // in view
        {0.0f, 0.0f, 5.0f, 0.1f},     // behind the camera
        {0.0f, 0.0f, -0.05f, 0.1f},   // in front of the camera, nearer than the near plane
        {5.04f, 0.0f, -5.0f, 0.1f},   // centre off the right edge, its left half on screen
        {5.2f, 0.0f, -5.0f, 0.1f},    // wholly off the right edge
        {0.0f, -5.2f, -5.0f, 0.1f},   // wholly below the bottom edge
        {-1.0f, 1.0f, -249.0f, 1.0f},  // just before the far plane
    };
    const int count = static_cast<int>(std::size(instances));
    fire->aliveCount = count;
    for (int n = 0; n < count; ++n) {
        std::copy(instances[n], instances[n] + 4, &fire->positionSizeData[4 * n]);
        for (int k = 0; k < 4; ++k) {
            fire->colorData[4 * n + k] = static_cast<unsigned char>(10 * n + k);
        }
    }
    std::vector<float> positions(ParticleSimulation::MaxParticles * 4);
    std::vector<unsigned char> colors(ParticleSimulation::MaxParticles * 4);
    const int kept = copyInstancesInView(*fire, viewProj, glm::vec3(1, 0, 0), glm::vec3(0, 1, 0), positions.data(),
                                         colors.data());
    const int expected[] = {0, 3, 6};
    ASSERT_EQ(kept, 3);
    for (int i = 0; i < kept; ++i) {
        const int n = expected[i];
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(positions[4 * i + k], instances[n][k]) << "kept quad " << i;
            EXPECT_EQ(colors[4 * i + k], 10 * n + k) << "kept quad " << i;
        }
    }
}
