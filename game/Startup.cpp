#include "game/Startup.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include <IL/il.h>
#include <IL/ilu.h>
#include <GLFW/glfw3.h>

#include "framework/Framework.h"
#include "framework/GlLifetime.h"
#include "framework/Shader.h"
#include "state/Camera.h"
#include "game/GameContext.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "game/SoundManager.h"
#include "platform/gl/GL.h"
#include "platform/gl/GlfwPlatform.h"
#include "renderer/Blur.h"
#include "renderer/EnvironmentMap.h"
#include "renderer/GuiImage.h"
#include "renderer/LensFlare.h"
#include "renderer/LevelMeshes.h"
#include "renderer/Material.h"
#include "renderer/ModelPasses.h"
#include "renderer/ParticleSystem.h"
#include "renderer/PlayerModel.h"
#include "renderer/Skybox.h"
#include "renderer/TextRenderer.h"

ParticleSystems::ParticleSystems() = default;
ParticleSystems::~ParticleSystems() = default;
ParticleSystems::ParticleSystems(ParticleSystems&&) noexcept = default;
ParticleSystems& ParticleSystems::operator=(ParticleSystems&&) noexcept = default;

void setWindowHints() {
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, 1);
    glfwWindowHint(GLFW_REFRESH_RATE, static_cast<int>(refreshRate));
    glfwWindowHint(GLFW_RESIZABLE, 0);
    glfwWindowHint(GLFW_SAMPLES, 4);
}

void setStartRenderState() {
    glViewport(0, 0, currentWidth, currentHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void adoptCreatedWindow(GLFWwindow* window) {
    // Where the position cannot be read, the toggle back has none to use (and the window
    // system places the window itself).
    if (glfwPlatform::windowPositionReadable()) {
        glfwGetWindowPos(window, &windowPosX, &windowPosY);
    }
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(window, &width, &height);
    if (width > 0 && height > 0) {
        currentWidth = width;
        currentHeight = height;
    }
    if (glfwGetWindowMonitor(window) != nullptr) {
        glfwFocusWindow(window);
    }
}

bool startPhysicsWorld() {
    if (initPhysX()) {
        return true;
    }
    // The default shader and the teapot would otherwise be deleted by destructors after
    // glfwTerminate, with no context left to take the calls.
    destroyFramework();
    glfwTerminate();
    return false;
}

void reportMissingAssetTree() {
    std::error_code error;
    if (std::filesystem::is_directory("../assets", error)) {
        return;
    }
    const std::filesystem::path workingDirectory = std::filesystem::current_path(error);
    const std::string looked =
        error ? std::string("../assets/") : (workingDirectory / "../assets/").lexically_normal().string();
    std::cout << "ERROR: No asset folder at '" << looked
              << "': models, textures, fonts and sounds will be missing. Start the game from its build "
                 "directory, as scripts/play does."
              << std::endl;
}

void createLevelSingletons() {
    ilInit();
    iluInit();
    boxTexCoords.clear();
    for (int face = 0; face < 6; ++face) {
        boxTexCoords.insert(boxTexCoords.end(), {{1.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 1.0f}});
    }
    Player::getInstance();
    Camera::getInstance();
    Artifacts::getInstance();
    PlayerModel::getInstance();
    GameState::getInstance();
    FadeTimings::getInstance();
    Skybox::getInstance();
    EnvironmentMap::getInstance();
    Overlay::getInstance();
    TextRenderer::getInstance();
    LensFlare::getInstance();
    Blur::getInstance();
}

ShaderPrograms createShaderPrograms() {
    const std::string shaders = "../assets/shaders/";
    auto program = [&](const std::string& vertex, const std::string& fragment) {
        return std::make_shared<Shader>(shaders + vertex, shaders + fragment);
    };
    // Element by element: each program prints its "Read shader: " lines as it is built, in order.
    ShaderPrograms programs;
    programs[0] = program("TextureShader/textureShader.vert", "TextureShader/textureShader.frag");
    programs[1] = program("FlareShader/flareShader.vert", "FlareShader/flareShader.frag");
    programs[2] = program("ModelShader/modelShader.vert", "ModelShader/modelShader.frag");
    programs[3] = program("AnimationShader/animatedModelShader.vert", "AnimationShader/animatedModelShader.frag");
    programs[4] = program("ParticleShader/particleShader.vert", "ParticleShader/particleShader.frag");
    programs[5] = program("ParticleShader/particleShader.vert", "ParticleShader/particleShader.frag");
    programs[6] = program("GUIShader/guiShader.vert", "GUIShader/guiShader.frag");
    programs[7] = program("GUIShader/guiShader.vert", "GUIShader/guiShader.frag");
    programs[8] = program("CubeMapShader/cubeMapShader.vert", "CubeMapShader/cubeMapShader.frag");
    programs[9] = program("SkyboxShader/skyboxShader.vert", "SkyboxShader/skyboxShader.frag");
    programs[10] = program("FreetypeShader/freetypeShader.vert", "FreetypeShader/freetypeShader.frag");
    programs[11] = program("SceneTextureShader/sceneTextureShader.vert", "SceneTextureShader/sceneTextureShader.frag");
    programs[12] = program("BlurShader/blurShader.vert", "BlurShader/horizontalBlurShader.frag");
    programs[13] = program("BlurShader/blurShader.vert", "BlurShader/verticalBlurShader.frag");

    // The programs go back newest first, whoever still shares them: the owners released after
    // this step only drop an empty program.
    std::array<std::weak_ptr<Shader>, 14> made;
    std::copy(programs.begin(), programs.end(), made.begin());
    addGlRelease([made] {
        for (auto it = made.rbegin(); it != made.rend(); ++it) {
            if (const std::shared_ptr<Shader> shader = it->lock()) {
                shader->release();
            }
        }
    });
    return programs;
}

ParticleSystems createParticlesAndHandOutPrograms(const ShaderPrograms& programs) {
    ParticleSystems particles;
    particles.fire = std::make_unique<ParticleSystem>(programs[4], 0);
    particles.smoke = std::make_unique<ParticleSystem>(programs[5], 1);
    Skybox* skybox = Skybox::getInstance();
    skybox->cubeMapShader = programs[8];
    skybox->skyboxShader = programs[9];
    Artifacts::getInstance().shader = programs[2];
    PlayerModel::getInstance()->shader = programs[3];
    return particles;
}

std::unique_ptr<Level> assembleScene(GameContext& context, GLFWwindow* window, const ShaderPrograms& programs,
                                     ParticleSystems& particles) {
    LensFlare::getInstance()->init(programs[1]);
    TextRenderer::getInstance()->load(programs[10], window);
    loadContextImages(context, window, particles.fire.get(), particles.smoke.get(), programs[0], programs[11],
                      programs[10], programs[6]);
    Overlay::getInstance()->loadImages(programs[7]);
    Blur* blur = Blur::getInstance();
    blur->horizontalShader = programs[12];
    blur->verticalShader = programs[13];
    auto level = std::make_unique<Level>(20.0f, 3.0f, 0.5f);
    createLevelMaterials(programs[0]);
    addGlRelease(releaseLevelMaterials);
    level->build();
    level->createHitboxes();
    createLevelMeshes(*level);
    addGlRelease(releaseLevelMeshes);
    return level;
}

// A 59.94 Hz monitor reports 59 (or 60, rounded) as its whole-hertz rate: still "at most 60".
// Xvfb reports 0 Hz.
void chooseFrameRate(const GLFWvidmode* mode) {
    if (mode) {
        if (mode->refreshRate <= 60) {
            refreshRate = 60.0f;
            lowRefreshMonitor = true;
        } else {
            refreshRate = performanceMode ? 60.0f : 80.0f;
        }
    }
    if (!(refreshRate > 0.0f)) {
        // A configured rate of 0 or less would make the frame interval infinite or negative.
        refreshRate = 60.0f;
    }
    GameState::getInstance()->frameInterval = 1.0 / static_cast<double>(refreshRate);
}

void shutdownGame(ShaderPrograms& programs, ParticleSystems& particles, std::unique_ptr<Level>& level) {
    level.reset();
    ilShutDown();
    shutdownPhysX();
    SoundManager::getInstance()->release();
    // The release list: every owner of OpenGL names gives them back, newest first, and the
    // framework's own go last.
    destroyFramework();
    // Their names are back already: destroying them makes no OpenGL call.
    particles.smoke.reset();
    particles.fire.reset();
    for (auto it = programs.rbegin(); it != programs.rend(); ++it) {
        it->reset();
    }
    glfwTerminate();
}
