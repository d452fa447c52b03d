// QUARVELLINE: start-up, the frame loop and shutdown.
#include <array>
#include <iostream>
#include <memory>

#include <IL/il.h>
#include <IL/ilu.h>

#include "platform/gl/GL.h"
#include "platform/gl/GlewLoader.h"
#include <GLFW/glfw3.h>

#include "framework/Framework.h"
#include "framework/Shader.h"
#include "game/Callbacks.h"
#include "game/Camera.h"
#include "game/Console.h"
#include "game/GameContext.h"
#include "game/GameLoop.h"
#include "game/GameState.h"
#include "game/GlobalState.h"
#include "game/Level.h"
#include "game/PhysicsWorld.h"
#include "game/Player.h"
#include "game/Settings.h"
#include "game/SoundManager.h"
#include "platform/system/Console.h"
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

namespace {

void say(const char* text) { std::cout << text << std::endl; }

// Fatal start-up error: the message, a wait for one character, then main returns 1.
int failStartup(const std::string& message) {
    glfwTerminate();
    std::cout << "ERROR: " << message << std::endl;
    waitForCharacter();
    return 1;
}

void setWindowHints() {
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, 1);
    glfwWindowHint(GLFW_REFRESH_RATE, static_cast<int>(refreshRate));
    glfwWindowHint(GLFW_RESIZABLE, 0);
    glfwWindowHint(GLFW_SAMPLES, 4);
}

// 60 frames a second on a monitor of at most 60 Hz (Xvfb reports 0 Hz), 80 above that
// (60 in performance mode), the configured rate without a video mode.
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

}  // namespace

int main() {
    loadSettings();
    printTitleBanner();
    printSectionHeader("WINDOW SETUP");

    glfwSetErrorCallback(glfwErrorCallback);
    if (!glfwInit()) {
        return failStartup("Failed to init GLFW");
    }
    setWindowHints();

    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* videoMode = monitor ? glfwGetVideoMode(monitor) : nullptr;
    chooseWindowSizeAtStartup(videoMode);

    GLFWwindow* window = glfwCreateWindow(windowWidth, windowHeight, windowTitle.c_str(),
                                          fullscreen ? monitor : nullptr, nullptr);
    if (window) {
        glfwGetWindowPos(window, &windowPosX, &windowPosY);
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(vsync ? 1 : 0);

    if (!window || !gladLoadGL(glfwGetProcAddress)) {
        say("Failed to initialize GLAD");
        return -1;
    }

    glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
    if (glfwRawMouseMotionSupported()) {
        glfwSetInputMode(window, GLFW_RAW_MOUSE_MOTION, GLFW_TRUE);
    }

    const unsigned int glewResult = glew::init();
    if (glewResult != 0) {
        return failStartup("Failed to init GLEW: " + glew::errorString(glewResult));
    }

    if (glDebugMessageCallback) {
        glDebugMessageCallback(glDebugOutputCallback, nullptr);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    }

    if (!initFramework()) {
        return failStartup("Failed to init framework");
    }

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    printSectionHeader("LOADING BULLET");
    if (!initPhysX()) {
        // initPhysX has said what could not be made.
        glfwTerminate();
        waitForCharacter();
        return 1;
    }
    say("Bullet successfully initialized.");

    printSectionHeader("LOADING LEVEL");
    ilInit();
    iluInit();
    boxTexCoords.clear();
    for (int face = 0; face < 6; ++face) {
        boxTexCoords.insert(boxTexCoords.end(), {{1.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 1.0f}});
    }
    Player::getInstance();
    Camera::getInstance();
    Artifacts& artifacts = Artifacts::getInstance();
    PlayerModel* playerModel = PlayerModel::getInstance();
    GameState::getInstance();
    FadeTimings::getInstance();
    Skybox* skybox = Skybox::getInstance();
    EnvironmentMap::getInstance();
    Overlay* overlay = Overlay::getInstance();
    TextRenderer* textRenderer = TextRenderer::getInstance();
    LensFlare* lensFlare = LensFlare::getInstance();
    Blur* blur = Blur::getInstance();
    say("Level loaded successfully.");

    printSectionHeader("SOUND SETUP");
    static GameContext context;
    SoundManager* soundManager = SoundManager::getInstance();

    printSectionHeader("SHADER SETUP");
    const std::string shaders = "../assets/shaders/";
    auto program = [&](const std::string& vertex, const std::string& fragment) {
        return std::make_shared<Shader>(shaders + vertex, shaders + fragment);
    };
    std::array<std::shared_ptr<Shader>, 14> programs = {
        program("TextureShader/textureShader.vert", "TextureShader/textureShader.frag"),
        program("FlareShader/flareShader.vert", "FlareShader/flareShader.frag"),
        program("ModelShader/modelShader.vert", "ModelShader/modelShader.frag"),
        program("AnimationShader/animatedModelShader.vert", "AnimationShader/animatedModelShader.frag"),
        program("ParticleShader/particleShader.vert", "ParticleShader/particleShader.frag"),
        program("ParticleShader/particleShader.vert", "ParticleShader/particleShader.frag"),
        program("GUIShader/guiShader.vert", "GUIShader/guiShader.frag"),
        program("GUIShader/guiShader.vert", "GUIShader/guiShader.frag"),
        program("CubeMapShader/cubeMapShader.vert", "CubeMapShader/cubeMapShader.frag"),
        program("SkyboxShader/skyboxShader.vert", "SkyboxShader/skyboxShader.frag"),
        program("FreetypeShader/freetypeShader.vert", "FreetypeShader/freetypeShader.frag"),
        program("SceneTextureShader/sceneTextureShader.vert", "SceneTextureShader/sceneTextureShader.frag"),
        program("BlurShader/blurShader.vert", "BlurShader/horizontalBlurShader.frag"),
        program("BlurShader/blurShader.vert", "BlurShader/verticalBlurShader.frag"),
    };
    auto fireParticles = std::make_unique<ParticleSystem>(programs[4], 0);
    auto smokeParticles = std::make_unique<ParticleSystem>(programs[5], 1);
    skybox->cubeMapShader = programs[8];
    skybox->skyboxShader = programs[9];
    artifacts.shader = programs[2];
    playerModel->shader = programs[3];

    std::cout << std::endl;
    printSectionHeader("GAME INIT DONE");
    std::cout << std::endl;

    lensFlare->init(programs[1]);
    textRenderer->load(programs[10], window);
    loadContextImages(context, window, fireParticles.get(), smokeParticles.get(), programs[0], programs[11],
                      programs[10], programs[6]);
    overlay->loadImages(programs[7]);
    blur->horizontalShader = programs[12];
    blur->verticalShader = programs[13];
    auto level = std::make_unique<Level>(20.0f, 3.0f, 0.5f);
    createLevelMaterials(programs[0]);
    level->build();
    level->createHitboxes();
    createLevelMeshes(*level);

    GameState::getInstance()->startTimer();
    chooseFrameRate(videoMode);

    while (!glfwWindowShouldClose(window)) {
        runFramePass(context);
    }

    // Shutdown, in the order start-up made things; every OpenGL name goes back while the
    // context still exists.
    level.reset();
    smokeParticles.reset();
    fireParticles.reset();
    for (auto it = programs.rbegin(); it != programs.rend(); ++it) {
        it->reset();
    }
    releaseLevelMeshes();
    ilShutDown();
    shutdownPhysX();
    soundManager->release();

    context.release();
    overlay->release();
    textRenderer->release();
    lensFlare->release();
    blur->release();
    EnvironmentMap::getInstance()->release();
    skybox->release();
    playerModel->release();
    artifacts.release();
    releaseLevelMaterials();
    destroyFramework();
    glfwTerminate();
    return 0;
}
