// QUARVELLINE: start-up, the frame loop and shutdown.
#include <iostream>
#include <memory>

#include "platform/gl/GL.h"
#include "platform/gl/GlewLoader.h"
#include "platform/gl/GlfwPlatform.h"
#include <GLFW/glfw3.h>

#include "framework/Framework.h"
#include "game/Callbacks.h"
#include "game/Console.h"
#include "game/GameContext.h"
#include "game/GameGlobals.h"
#include "game/GameLoop.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "state/Settings.h"
#include "game/SoundManager.h"
#include "game/Startup.h"
#include "platform/system/Console.h"
#include "renderer/ParticleSystem.h"

namespace {

void say(const char* text) { std::cout << text << std::endl; }

// Fatal start-up error: the message, a wait for one character, then main returns 1.
int failStartup(const std::string& message) {
    glfwTerminate();
    std::cout << "ERROR: " << message << std::endl;
    waitForCharacter();
    return 1;
}

}  // namespace

int main() {
    loadSettings();
    printTitleBanner();
    reportMissingAssetTree();
    printSectionHeader("WINDOW SETUP");

    glfwSetErrorCallback(glfwErrorCallback);
    glfwPlatform::preferX11WhereOnlyXIsNamed();
    if (!glfwInit()) {
        return failStartup("Failed to init GLFW");
    }
    setWindowHints();

    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* videoMode = monitor ? glfwGetVideoMode(monitor) : nullptr;
    chooseWindowSizeAtStartup(videoMode);

    GLFWwindow* window = glfwCreateWindow(windowWidth, windowHeight, windowTitle.c_str(),
                                          fullscreen ? monitor : nullptr, nullptr);
    if (!window) {
        // GLFW's error callback has said why (no OpenGL 4.3 context, no display, ...).
        return failStartup("Failed to create window");
    }
    adoptCreatedWindow(window);
    glfwMakeContextCurrent(window);
    glfwPlatform::setSwapInterval(vsync);

    if (!gladLoadGL(glfwGetProcAddress)) {
        say("Failed to initialize GLAD");
        return -1;
    }

    glfwSetWindowRefreshCallback(window, windowRefreshCallback);
    glfwSetFramebufferSizeCallback(window, framebufferSizeCallback);
    glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
    if (glfwRawMouseMotionSupported()) {
        glfwSetInputMode(window, GLFW_RAW_MOUSE_MOTION, GLFW_TRUE);
    }

    const unsigned int glewResult = glew::init();
    if (!glew::started(glewResult, glfwPlatform::contextIsGlx(window))) {
        return failStartup("Failed to init GLEW: " + glew::errorString(glewResult));
    }

    if (glDebugMessageCallback) {
        glDebugMessageCallback(glDebugOutputCallback, nullptr);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    }

    if (!initFramework()) {
        return failStartup("Failed to init framework");
    }

    setStartRenderState();

    printSectionHeader("LOADING BULLET");
    if (!startPhysicsWorld()) {
        waitForCharacter();
        return 1;
    }
    say("Bullet successfully initialized.");

    printSectionHeader("LOADING LEVEL");
    createLevelSingletons();
    say("Level loaded successfully.");

    printSectionHeader("SOUND SETUP");
    static GameContext context;
    SoundManager::getInstance();

    printSectionHeader("SHADER SETUP");
    ShaderPrograms programs = createShaderPrograms();
    ParticleSystems particles = createParticlesAndHandOutPrograms(programs);

    std::cout << std::endl;
    printSectionHeader("GAME INIT DONE");
    std::cout << std::endl;

    std::unique_ptr<Level> level = assembleScene(context, window, programs, particles);

    GameState::getInstance()->startTimer();
    chooseFrameRate(videoMode);

    while (!glfwWindowShouldClose(window)) {
        runFramePass(context);
    }

    shutdownGame(programs, particles, level);
    return 0;
}
