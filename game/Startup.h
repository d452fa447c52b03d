#pragma once
// The steps of start-up that build the game's objects, in the order main runs them. The frame
// benchmark assembles the same scene through them.
#include <array>
#include <memory>

class Level;
class ParticleSystem;
class Shader;
struct GameContext;
struct GLFWwindow;
struct GLFWvidmode;

using ShaderPrograms = std::array<std::shared_ptr<Shader>, 14>;

// The game window's hints: an OpenGL 4.3 core-profile debug context with 4 samples per pixel,
// not resizable, at `refreshRate` when full screen.
void setWindowHints();

// The render state every pass starts from: a viewport of the current size (a context starts
// with the size its window was asked for, which a full-screen window need not have), clear to
// opaque black, depth test on, blending with source alpha over one minus it (the one blend
// function the game uses; an opaque screen picture relies on it when it draws without blending).
void setStartRenderState();

// Right after the window is made: its position (the full-screen toggle returns there) and the
// size the game draws at, taken from the framebuffer the window has. A full-screen window
// covers the monitor whatever size was asked for; a framebuffer that reports no size leaves the
// chosen one. A full-screen window is also given the keyboard focus, which GLFW gives only a
// window that is not full screen: without a window manager, keys would otherwise reach the
// window only while the pointer lies over it, and a toggle back to the smaller window can
// leave the pointer outside.
void adoptCreatedWindow(GLFWwindow* window);

// Builds the physics world. When it cannot be made (initPhysX has said why), start-up is
// abandoned: the framework gives its OpenGL names back while the context still exists, then
// GLFW is terminated, and false comes back; main then waits for a key and returns 1.
bool startPhysicsWorld();

// Models, model textures, sky faces, fonts and sounds are opened as "../assets/..." from the
// working directory. When no such folder is there, one line says where the game looked and
// where it is meant to be started from, ahead of the load errors that follow.
void reportMissingAssetTree();

// "LOADING LEVEL": the image library, the sun box's texture coordinates and the singletons,
// created in their fixed order (the player first: its controller needs the physics world).
void createLevelSingletons();

// "SHADER SETUP": the fourteen programs from their twelve file pairs, in table order.
ShaderPrograms createShaderPrograms();

// The fire (type 0) and smoke (type 1) particle systems, owned by the caller; the sky, the
// collectibles and the player model receive their programs.
struct ParticleSystems {
    std::unique_ptr<ParticleSystem> fire;
    std::unique_ptr<ParticleSystem> smoke;
    ParticleSystems();
    ~ParticleSystems();
    ParticleSystems(ParticleSystems&&) noexcept;
    ParticleSystems& operator=(ParticleSystems&&) noexcept;
};
ParticleSystems createParticlesAndHandOutPrograms(const ShaderPrograms& programs);

// After "GAME INIT DONE": flare sprites, glyphs, GUI images, blur programs, the level's
// materials, layout, physics actors and scene objects. Returns the level, owned by the caller.
std::unique_ptr<Level> assembleScene(GameContext& context, GLFWwindow* window, const ShaderPrograms& programs,
                                     ParticleSystems& particles);

// The frame rate, from the primary monitor's current video mode (null when GLFW gives none):
// 60 frames a second on a monitor of at most 60 Hz (lowRefreshMonitor set), 80 above that (60 in
// performance mode), the configured refreshRate without a mode. Sets the game state's
// frameInterval to 1 / refreshRate.
void chooseFrameRate(const GLFWvidmode* mode);

// Shutdown: the level, then the image library, physics and sound in the order start-up made
// them; then every OpenGL name goes back through the release list (GlLifetime.h), newest owner
// first, while the context still exists; then GLFW is terminated.
void shutdownGame(ShaderPrograms& programs, ParticleSystems& particles, std::unique_ptr<Level>& level);
