#pragma once
// Fire sparks that sink from height 3 and grey smoke that rises from -2: a fixed pool of 7000
// particles per system, sorted back to front and drawn as camera-facing quads in one instanced draw.
#include <memory>
#include <string>

#include "renderer/ParticleSimulation.h"

#include "framework/GlHandle.h"

class Shader;
class TextureDXT5;

class ParticleSystem {
public:
    static constexpr int MaxParticles = ParticleSimulation::MaxParticles;

    std::shared_ptr<TextureDXT5> texture;
    std::shared_ptr<Shader> shader;
    int particleTextureLocation = -1;
    GlVertexArray vao;
    GlBuffer positionSizeVbo;
    GlBuffer colorVbo;
    GlBuffer quadVbo;
    int camRightLocation = -1, camUpLocation = -1, infoPointLocation = -1, viewProjLocation = -1;
    std::string texturePath = "../assets/textures/particles/particle.dds";
    // The pool, the presets of the type and the per-instance streams this system uploads.
    ParticleSimulation simulation;

    ParticleSystem(std::shared_ptr<Shader> shader, int type);
    ~ParticleSystem();
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    // Gives the buffers, the vertex array, the sprite and the program share back (shutdown);
    // nothing is drawn afterwards.
    void release();

    // Spawns and moves on fixed ticks (and every call during the intro), then draws.
    void updateAndDraw(float infoPoint);

private:
    GlReleaseEntry releaseAtShutdown{[this] { release(); }};
};

