#pragma once
// The one object that ties the game's parts together for the frame loop and the screens.
// It points at the singletons (it owns none of them), holds the two GUI images of the game
// frame, four programs, the window and the OpenGL objects of the pause picture.
#include <memory>

#include "framework/GlHandle.h"
#include "renderer/GuiImage.h"

class Shader;
struct GameState;
struct FadeTimings;
class Player;
class Camera;
class SoundManager;
class EnvironmentMap;
class ParticleSystem;
class PlayerModel;
class Artifacts;
class Skybox;
class TextRenderer;
class LensFlare;
class Blur;
struct GLFWwindow;

struct GameContext {
    Player* player = nullptr;
    Camera* camera = nullptr;
    GameState* gameState = nullptr;
    FadeTimings* fadeTimings = nullptr;
    SoundManager* soundManager = nullptr;
    EnvironmentMap* environmentMap = nullptr;
    ParticleSystem* fireParticles = nullptr;
    ParticleSystem* smokeParticles = nullptr;
    Overlay* overlay = nullptr;
    PlayerModel* playerModel = nullptr;
    Artifacts* artifacts = nullptr;
    Skybox* skybox = nullptr;
    TextRenderer* textRenderer = nullptr;
    LensFlare* lensFlare = nullptr;
    Blur* blur = nullptr;
    GuiImage bgImage;
    GuiImage muteImage;
    std::shared_ptr<Shader> textureShader;
    std::shared_ptr<Shader> sceneTextureShader;
    std::shared_ptr<Shader> textShader;
    std::shared_ptr<Shader> guiShader;
    GLFWwindow* gameWindow = nullptr;
    GlVertexArray quadVao;
    GlBuffer quadVbo;
    GlTexture pauseSnapshot;  // 2D texture of the (blurred) pause snapshot

    // Fetches the singletons (creating the sound manager), makes the snapshot texture and the
    // quad, and adds the context's release to the release list.
    GameContext();
    ~GameContext();
    GameContext(const GameContext&) = delete;
    GameContext& operator=(const GameContext&) = delete;

    // Gives the context's OpenGL names back (shutdown, before glfwTerminate).
    void release();

private:
    GlReleaseEntry releaseAtShutdown{[this] { release(); }};
};

// Fills the window, the two particle systems, the four programs and the two images of the
// game frame (after the shaders are built).
void loadContextImages(GameContext& context, GLFWwindow* window, ParticleSystem* fire,
                       ParticleSystem* smoke, std::shared_ptr<Shader> textureShader,
                       std::shared_ptr<Shader> sceneTextureShader, std::shared_ptr<Shader> textShader,
                       std::shared_ptr<Shader> guiShader);
