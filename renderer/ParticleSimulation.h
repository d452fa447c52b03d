#pragma once
// The particles' life without OpenGL: a fixed pool of 7000, spawned in a box over the level,
// aged, accelerated, clamped, moved and sorted back to front, and the per-instance streams
// (position and size, colour and alpha) that the particle system uploads and draws.
#include <array>
#include <memory>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

struct Particle {
    glm::vec3 position{0.0f};
    glm::vec3 velocity{0.0f};       // units per second
    unsigned char r = 0, g = 0, b = 0;
    float size = 0.0f;               // quad edge, world units
    float life = -1.0f;              // seconds left; -1 in a never-used slot
    float cameraDistance = -1.0f;    // squared distance to the camera; -1 when dead
};

class ParticleSimulation {
public:
    static constexpr int MaxParticles = 7000;

    float fireVelocityLimit = 0.25f;
    float smokeVelocityLimit = 0.1f;
    int lastUsedParticle = 0;
    int aliveCount = 0;  // instances written to the streams by the last update
    // Counts the updates that rewrote the streams: the drawing side re-sends them only after one.
    unsigned long streamsVersion = 0;
    std::array<Particle, MaxParticles> particles;
    int spawnIndex = 0;
    std::unique_ptr<float[]> positionSizeData;   // MaxParticles x (x, y, z, size)
    std::unique_ptr<unsigned char[]> colorData;  // MaxParticles x (r, g, b, a)
    int spawnCount = 0;
    float spawnXMax = 18.0f, spawnXMin = -18.0f;
    float spawnZMax = 120.0f, spawnZMin = -12.0f;
    float fireSpawnY = 3.0f;
    float cullDistance = 50.0f;
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

    explicit ParticleSimulation(int type);

    // One rendered frame. Only when a fixed step ran (`tick`) or the intro runs do particles
    // spawn (a burst of 100 during the intro) and age by `dt` seconds; otherwise the streams of
    // the last update stay as they are. `cameraPosition` is in physics space.
    void advance(bool tick, bool intro, double dt, const glm::vec3& cameraPosition);

    void spawn(int count);
    // Ages and moves every live particle, rewrites the streams far to near in the order of the
    // previous sort, then sorts the pool by distance for the next one.
    void update(double dt, const glm::vec3& cameraPosition);
    int findUnusedParticle();

private:
    // Presets of the two types.
    void applyPreset();
};

// Copies, in stream order, the instances of `simulation`'s streams whose camera-facing quad
// (the particle shader's billboard: corners at position +- size / 2 along `right` and `up`) can
// put a fragment on screen under `viewProj`, into `positionSize` and `color` (room for
// MaxParticles each), and returns how many it kept. A quad is left out only when all four
// corners lie outside one plane of the clip volume (behind the near plane, beyond the far
// plane or off one side of the screen) by a margin far larger than the rounding of the vertex
// shader's arithmetic: clipping leaves nothing of it, so it cannot change a pixel or a depth
// value, and the kept quads blend in the same order as before.
int copyInstancesInView(const ParticleSimulation& simulation, const glm::mat4& viewProj, const glm::vec3& right,
                        const glm::vec3& up, float* positionSize, unsigned char* color);

// Both random sources of the particles (the spawn count per tick and the C library's rand for
// position, velocity, colour and size) start from the given seed, so a scripted run draws the
// same particles every time. Without it the spawn count follows a seed from the system.
void seedParticleRandomness(unsigned int seed);
