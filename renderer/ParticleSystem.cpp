#include "renderer/ParticleSystem.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include <glm/gtc/type_ptr.hpp>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "platform/gl/GL.h"
#include "renderer/TextureDXT5.h"

namespace {
const float particleQuad[12] = {-0.5f, -0.5f, 0.0f, 0.5f, -0.5f, 0.0f, -0.5f, 0.5f, 0.0f, 0.5f, 0.5f, 0.0f};

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

void ParticleSystem::applyPreset() {
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

ParticleSystem::ParticleSystem(std::shared_ptr<Shader> shaderProgram, int systemType)
    : shader(std::move(shaderProgram)), type(systemType) {
    applyPreset();
    texture = std::make_shared<TextureDXT5>(texturePath);
    vao = GlVertexArray::generate();
    glBindVertexArray(vao);
    if (shader) {
        const unsigned int program = shader->program;
        camRightLocation = glGetUniformLocation(program, "camRightWS");
        camUpLocation = glGetUniformLocation(program, "camUpWS");
        viewProjLocation = glGetUniformLocation(program, "particleVP");
        infoPointLocation = glGetUniformLocation(program, "infoPointNorm");
        particleTextureLocation = glGetUniformLocation(program, "particleTexture");
    }
    positionSizeData = new float[MaxParticles * 4]();
    colorData = new unsigned char[MaxParticles * 4]();
    for (Particle& p : particles) {
        p.life = -1.0f;
        p.cameraDistance = -1.0f;
    }
    quadVbo = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, quadVbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(particleQuad), particleQuad, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    positionSizeVbo = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, positionSizeVbo);
    glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4 * sizeof(float), nullptr, GL_STREAM_DRAW);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    colorVbo = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, colorVbo);
    glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4, nullptr, GL_STREAM_DRAW);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, 0, nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

ParticleSystem::~ParticleSystem() {
    delete[] positionSizeData;
    delete[] colorData;
    release();
}

void ParticleSystem::release() {
    quadVbo.release();
    positionSizeVbo.release();
    colorVbo.release();
    vao.release();
    shader.reset();
    texture.reset();
}

int ParticleSystem::findUnusedParticle() {
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

void ParticleSystem::spawn(int count) {
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

void ParticleSystem::update(double dt, const glm::vec3& camera) {
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
}

void ParticleSystem::updateAndDraw(float infoPoint) {
    if (!shader) {
        return;
    }
    const Camera& camera = *Camera::getInstance();
    const GameState& state = *GameState::getInstance();
    shader->use();
    glBindVertexArray(vao);
    const glm::mat4 view = camera.view;
    const glm::vec3 cameraPosition = camera.position;
    const glm::mat4 viewProj = camera.projection * camera.view;
    spawnCount = 0;

    if (updateTick || introActive) {
        std::uniform_int_distribution<int> distribution(spawnMin, spawnMax);
        spawnCount = distribution(spawnCountGenerator());
        if (introActive) {
            spawnCount = 100;
        }
        spawn(spawnCount);
        update(state.particleDt, cameraPosition);
    }

    glBindBuffer(GL_ARRAY_BUFFER, positionSizeVbo);
    glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4 * sizeof(float), nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, aliveCount * 4 * sizeof(float), positionSizeData);
    glBindBuffer(GL_ARRAY_BUFFER, colorVbo);
    glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4, nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, aliveCount * 4, colorData);

    glActiveTexture(GL_TEXTURE0);
    if (texture) {
        glBindTexture(GL_TEXTURE_2D, texture->handle);
    }
    glUniform1i(particleTextureLocation, 0);
    glUniform3f(camRightLocation, view[0][0], view[1][0], view[2][0]);
    glUniform3f(camUpLocation, view[0][1], view[1][1], view[2][1]);
    glUniformMatrix4fv(viewProjLocation, 1, GL_FALSE, glm::value_ptr(viewProj));
    glUniform1f(infoPointLocation, infoPoint);

    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glEnableVertexAttribArray(2);
    glVertexAttribDivisor(0, 0);
    glVertexAttribDivisor(1, 1);
    glVertexAttribDivisor(2, 1);
    glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, aliveCount);
    glDisableVertexAttribArray(0);
    glDisableVertexAttribArray(1);
    glDisableVertexAttribArray(2);
    glBindVertexArray(0);
}
