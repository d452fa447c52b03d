#include "renderer/ParticleSimulation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <random>

#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

namespace {

// The spawn count of both systems comes from this one generator.
std::mt19937& spawnCountGenerator() {
    static std::mt19937 generator{std::random_device{}()};
    return generator;
}

// The spawn formulas were tuned for a generator whose values run from 0 to 32767; glibc's
// rand() reaches 2^31 - 1, so only its low 15 bits are used, keeping every value in that range
// (otherwise x, z and the colour blend would leave the level by orders of magnitude).
int rand15() { return std::rand() % 32768; }

float randomUnit() { return static_cast<float>(rand15()) / 32767.0f; }

}  // namespace

void seedParticleRandomness(unsigned int seed) {
    spawnCountGenerator().seed(seed);
    std::srand(seed);
}

void ParticleSimulation::applyPreset() {
    if (type == 1) {
        lifeMax = 24.0f;
        sizeScale = 0.07f;
        fadeIn = 1.0f;
        fadeOut = 3.0f;
        accelY = 0.3f;
        spawnMin = 8;
        spawnMax = 40;
        const int c0[3] = {120, 120, 120}, c1[3] = {50, 50, 50}, c2[3] = {20, 20, 20};
        std::copy(c0, c0 + 3, color0);
        std::copy(c1, c1 + 3, color1);
        std::copy(c2, c2 + 3, color2);
        alphaMax = 100.0f;
    }
}

ParticleSimulation::ParticleSimulation(int systemType)
    : positionSizeData(new float[MaxParticles * 4]()),
      colorData(new unsigned char[MaxParticles * 4]()),
      type(systemType) {
    applyPreset();
    for (Particle& p : particles) {
        p.life = -1.0f;
        p.cameraDistance = -1.0f;
    }
}

int ParticleSimulation::findUnusedParticle() {
    for (int i = lastUsedParticle; i < MaxParticles; ++i) {
        if (particles[i].life < 0.0f) {
            lastUsedParticle = i;
            return i;
        }
    }
    for (int i = 0; i < lastUsedParticle; ++i) {
        if (particles[i].life < 0.0f) {
            lastUsedParticle = i;
            return i;
        }
    }
    return 0;
}

void ParticleSimulation::spawn(int count) {
    for (int n = 0; n < count; ++n) {
        const float vz = static_cast<float>(std::rand() % 2000 - 1000) / 1000.0f;
        const float vy = static_cast<float>(std::rand() % 2000 - 1000) / 1000.0f;
        const float vx = static_cast<float>(std::rand() % 2000 - 1000) / 1000.0f;
        const float t = randomUnit();
        const float u = 1.0f - t;
        unsigned char channel[3];
        for (int k = 0; k < 3; ++k) {
            const int m = static_cast<int>(static_cast<float>(color1[k]) * u + static_cast<float>(color2[k]) * t);
            channel[k] = static_cast<unsigned char>(
                static_cast<int>(static_cast<float>(m) * t + static_cast<float>(color0[k]) * u));
        }
        spawnIndex = findUnusedParticle();
        Particle& p = particles[spawnIndex];
        p.life = lifeMax;
        const float x = (2.0f * randomUnit() - 1.0f) * (spawnXMax - spawnXMin);
        const float z = (spawnZMax - spawnZMin) * randomUnit() + spawnZMin;
        p.position = glm::vec3(x, type == 0 ? fireSpawnY : -2.0f, z);
        p.velocity = glm::vec3(vx, vy, vz);
        p.r = channel[0];
        p.g = channel[1];
        p.b = channel[2];
        p.size = (static_cast<float>(std::rand() % 1000) / 2000.0f + 0.1f) * sizeScale;
    }
}

void ParticleSimulation::update(double dt, const glm::vec3& camera) {
    aliveCount = 0;
    const float dtf = static_cast<float>(dt);
    for (Particle& p : particles) {
        if (!(p.life > 0.0f)) {
            continue;
        }
        p.life = static_cast<float>(static_cast<double>(p.life) - dt);
        if (p.life <= 0.0f) {
            p.cameraDistance = -1.0f;
            continue;
        }
        glm::vec3& v = p.velocity;
        v.y += accelY * dtf * 0.5f;
        const float limit = type == 0 ? fireVelocityLimit : smokeVelocityLimit;
        if (type == 0) {
            v.y = std::max(v.y, -limit);
        } else {
            v.y = std::min(v.y, limit);
        }
        v.x = std::clamp(v.x, -limit, limit);
        v.z = std::clamp(v.z, -2.0f * limit, 2.0f * limit);
        p.position += v * dtf;
        const glm::vec3 d = p.position - camera;
        p.cameraDistance = d.x * d.x + d.y * d.y + d.z * d.z;

        float alpha;
        if (p.life > lifeMax - fadeIn) {
            alpha = (1.0f - p.life / lifeMax) / (fadeIn / lifeMax) * alphaMax;
        } else if (p.life < fadeOut) {
            alpha = (p.life / lifeMax) / (fadeOut / lifeMax) * alphaMax;
        } else {
            alpha = alphaMax;
        }
        if (std::fabs(p.position.x - camera.x) > cullDistance || std::fabs(-p.position.z - camera.z) > cullDistance) {
            alpha = 0.0f;
        }
        const int n = aliveCount;
        positionSizeData[4 * n + 0] = p.position.x;
        positionSizeData[4 * n + 1] = p.position.y;
        positionSizeData[4 * n + 2] = p.position.z;
        positionSizeData[4 * n + 3] = p.size;
        colorData[4 * n + 0] = p.r;
        colorData[4 * n + 1] = p.g;
        colorData[4 * n + 2] = p.b;
        colorData[4 * n + 3] = static_cast<unsigned char>(std::clamp(static_cast<int>(alpha), 0, 255));
        aliveCount += 1;
    }
    std::sort(particles.begin(), particles.end(),
              [](const Particle& a, const Particle& b) { return a.cameraDistance > b.cameraDistance; });
    ++streamsVersion;
}

int copyInstancesInView(const ParticleSimulation& simulation, const glm::mat4& viewProj, const glm::vec3& right,
                        const glm::vec3& up, float* positionSize, unsigned char* color) {
    // Clip coordinates are linear in the corner offsets: corner = centre +- r +- u, with r and u
    // the clip-space images of right and up times half the size. Over the four corners a plane
    // function f (w + x, w - x, ..., w - z; the inside has f >= 0) peaks at
    // f(centre) + |f(r)| + |f(u)|. Worked in double; the GPU works in float, and the margin of a
    // thousandth of the coordinates' size dwarfs its rounding.
    glm::dmat4 m(viewProj);
    const glm::dvec4 rightClip = m * glm::dvec4(glm::dvec3(right), 0.0);
    const glm::dvec4 upClip = m * glm::dvec4(glm::dvec3(up), 0.0);
    const auto planes = [](const glm::dvec4& v) {
        return std::array<double, 6>{v.w + v.x, v.w - v.x, v.w + v.y, v.w - v.y, v.w + v.z, v.w - v.z};
    };
    const auto magnitude = [](const glm::dvec4& v) {
        return std::fabs(v.x) + std::fabs(v.y) + std::fabs(v.z) + std::fabs(v.w);
    };
    const std::array<double, 6> rightPlanes = planes(rightClip), upPlanes = planes(upClip);
    const double rightSize = magnitude(rightClip), upSize = magnitude(upClip);

    const float* inPosition = simulation.positionSizeData.get();
    const unsigned char* inColor = simulation.colorData.get();
    int kept = 0;
    for (int n = 0; n < simulation.aliveCount; ++n) {
        const float* instance = inPosition + 4 * n;
        const double halfSize = 0.5 * static_cast<double>(instance[3]);
        const glm::dvec4 centre = m * glm::dvec4(instance[0], instance[1], instance[2], 1.0);
        const std::array<double, 6> centrePlanes = planes(centre);
        const double margin = 1e-3 * (magnitude(centre) + halfSize * (rightSize + upSize)) + 1e-6;
        bool outside = false;
        for (int k = 0; k < 6 && !outside; ++k) {
            const double peak =
                centrePlanes[k] + halfSize * (std::fabs(rightPlanes[k]) + std::fabs(upPlanes[k]));
            outside = peak < -margin;
        }
        if (outside) {
            continue;
        }
        std::copy(instance, instance + 4, positionSize + 4 * kept);
        std::copy(inColor + 4 * n, inColor + 4 * n + 4, color + 4 * kept);
        ++kept;
    }
    return kept;
}

void ParticleSimulation::advance(bool tick, bool intro, double dt, const glm::vec3& cameraPosition) {
    spawnCount = 0;
    if (!tick && !intro) {
        return;
    }
    // Drawn during the intro too, where the burst replaces it: the shared generator advances on
    // every spawning frame either way.
    std::uniform_int_distribution<int> distribution(spawnMin, spawnMax);
    spawnCount = distribution(spawnCountGenerator());
    if (intro) {
        spawnCount = 100;
    }
    spawn(spawnCount);
    update(dt, cameraPosition);
}
