#pragma once
// Fire sparks that sink from height 3 and grey smoke that rises from -2: a fixed pool of 7000
// particles per system, sorted back to front and drawn as camera-facing quads in one indexed draw of four vertices a
// quad (llvmpipe's vertex stage costs far more per instance than per vertex).
#include <memory>
#include <string>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

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
    GlBuffer quadVbo;  // the quad corners, repeated for every quad of the pool
    GlBuffer quadEbo;  // two triangles a quad, in the order a four-vertex strip makes them
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
    // The first half of updateAndDraw alone, for screens that clear the window right after:
    // the particles move exactly as when drawn. Makes no OpenGL call.
    void advance();
    // The second half: draws the streams of the last update as seen from the camera now.
    void draw(float infoPoint);

private:
    // The instances that can reach the screen (copyInstancesInView) and what they were culled
    // for: they are culled and uploaded again only when an update rewrote the streams or the
    // camera turned or moved.
    std::unique_ptr<float[]> visiblePositionSize;
    std::unique_ptr<unsigned char[]> visibleColor;
    int visibleCount = 0;
    // The same streams with each quad's values repeated for its four corners.
    std::unique_ptr<float[]> vertexPositionSize;
    std::unique_ptr<unsigned char[]> vertexColor;
    bool uploaded = false;
    unsigned long uploadedVersion = 0;
    glm::mat4 uploadedViewProj{0.0f};
    glm::vec3 uploadedRight{0.0f}, uploadedUp{0.0f};

    GlReleaseEntry releaseAtShutdown{[this] { release(); }};
};

