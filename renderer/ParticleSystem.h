#pragma once
// Fire sparks that sink from height 3 and grey smoke that rises from -2: a fixed pool of 7000
// particles per system, sorted back to front and drawn as camera-facing quads in one instanced draw.
#include <array>
#include <memory>
#include <string>

#include <glm/vec3.hpp>

#include "framework/GlHandle.h"

class Shader;
class TextureDXT5;

struct Particle {
    glm::vec3 position{0.0f};
    glm::vec3 velocity{0.0f};       // units per second
    unsigned char r = 0, g = 0, b = 0;
    float size = 0.0f;               // quad edge, world units
    float life = -1.0f;              // seconds left; -1 in a never-used slot
    float cameraDistance = -1.0f;    // squared distance to the camera; -1 when dead
};

class ParticleSystem {
public:
    static constexpr int MaxParticles = 7000;

    float fireVelocityLimit = 0.25f;
    float smokeVelocityLimit = 0.1f;
    std::shared_ptr<TextureDXT5> texture;
    std::shared_ptr<Shader> shader;
    int particleTextureLocation = -1;
    GlVertexArray vao;
    GlBuffer positionSizeVbo;
    GlBuffer colorVbo;
    GlBuffer quadVbo;
    int camRightLocation = -1, camUpLocation = -1, infoPointLocation = -1, viewProjLocation = -1;
    int lastUsedParticle = 0;
    int aliveCount = 0;
    std::array<Particle, MaxParticles> particles;
    int spawnIndex = 0;
    float* positionSizeData = nullptr;  // MaxParticles x (x, y, z, size)
    unsigned char* colorData = nullptr; // MaxParticles x (r, g, b, a)
    int spawnCount = 0;
    float spawnXMax = 18.0f, spawnXMin = -18.0f;
    float spawnZMax = 120.0f, spawnZMin = -12.0f;
    float fireSpawnY = 3.0f;
    float cullDistance = 50.0f;
    std::string texturePath = "../assets/textures/particles/particle.dds";
    int type = 0;  // 0 fire, 1 smoke

    float lifeMax = 20.0f;
    float sizeScale = 0.11f;
    float fadeIn = 3.0f;
    float fadeOut = 3.0f;
    float accelY = -0.5f;
    int spawnMin = 5;
    int spawnMax = 25;
    int color0[3] = {255, 0, 0};
    int color1[3] = {255, 255, 0};
    int color2[3] = {255, 128, 0};
    float alphaMax = 110.0f;

    ParticleSystem(std::shared_ptr<Shader> shader, int type);
    ~ParticleSystem();
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    // Gives the buffers, the vertex array, the sprite and the program share back (shutdown);
    // nothing is drawn afterwards.
    void release();

    // Spawns and moves on fixed ticks (and every call during the intro), then draws.
    void updateAndDraw(float infoPoint);

    // The simulation part of updateAndDraw, without OpenGL (tests).
    void spawn(int count);
    void update(double dt, const glm::vec3& cameraPosition);
    int findUnusedParticle();

private:
    // Presets of the two types.
    void applyPreset();

    GlReleaseEntry releaseAtShutdown{[this] { release(); }};
};
