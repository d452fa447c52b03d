#pragma once
// A particle pool with one live particle in slot `slot` and every other slot never used: the
// simulation and the draw tests start from it.
#include <cstddef>

#include <glm/vec3.hpp>

#include "renderer/ParticleSimulation.h"

inline Particle& onlyParticle(ParticleSimulation& system, int slot, const glm::vec3& position, float life) {
    for (Particle& p : system.particles) {
        p.life = -1.0f;
        p.cameraDistance = -1.0f;
    }
    Particle& p = system.particles[static_cast<std::size_t>(slot)];
    p.position = position;
    p.velocity = glm::vec3(0.0f);
    p.life = life;
    p.size = 0.05f;
    p.r = 200;
    p.g = 100;
    p.b = 50;
    return p;
}
