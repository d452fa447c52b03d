#include "ScriptedGame.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/gl/GL.h"
#include "platform/gl/GlewLoader.h"
#include "platform/gl/GlfwPlatform.h"
#include <GLFW/glfw3.h>

#include "framework/Framework.h"
#include "game/Callbacks.h"
#include "game/GameContext.h"
#include "game/GameLoop.h"
#include "game/KeyBindings.h"
#include "game/SoundManager.h"
#include "platform/system/Clock.h"
#include "renderer/EnvironmentMap.h"
#include "renderer/ParticleSystem.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/PhysicsWorld.h"
#include "state/Settings.h"

namespace scripted {

namespace {

constexpr std::time_t calendarStart = 1700000000;
constexpr unsigned int particleSeed = 1234567;

// One game per process, so the sources the game reads can be plain statics.
double scriptedSeconds = 1.0;  // as if GLFW had been initialised a second before the first pass
std::time_t calendarJump = 0;
double cursorX = 0.0;
double cursorY = 0.0;

void installScriptedClockAndCursor() {
    setClockSecondsSource([] { return scriptedSeconds; });
    setClockCalendarSource(
        [] { return calendarStart + calendarJump + static_cast<std::time_t>(std::floor(scriptedSeconds)); });
    setClockTickSource([] { return static_cast<std::uint32_t>(scriptedSeconds * 1000.0); });
    Camera::setCursorSource([](GLFWwindow*, double* x, double* y) {
        *x = cursorX;
        *y = cursorY;
    });
}

}  // namespace

bool Game::start(const Options& options) {
    // The start-up transcript stays out of the way; it is kept for a failure.
    std::ostringstream console;
    std::streambuf* previous = std::cout.rdbuf(console.rdbuf());
    struct Restore {
        std::streambuf* previous;
        std::ostringstream& console;
        std::string& transcript;
        ~Restore() {
            std::cout.rdbuf(previous);
            transcript += console.str();
        }
    } restore{previous, console, transcript_};

    setenv("ALSOFT_DRIVERS", "null", 0);  // no sound card on a build machine
    cursorX = options.width * 0.5;        // the camera starts with the cursor at the centre
    cursorY = options.height * 0.5;
    installScriptedClockAndCursor();
    seedParticleRandomness(particleSeed);
    environmentMapFaceSize = options.captureFaceSize;

    GameState::getInstance();
    windowWidth = currentWidth = options.width;
    windowHeight = currentHeight = options.height;
    is16by9 = false;
    vsync = false;
    presentationMode = options.presentationMode;
    if (options.skipIntro) {
        introDone = true;
        loadingScreen = true;
    }

    glfwSetErrorCallback(glfwErrorCallback);
    glfwPlatform::preferX11WhereOnlyXIsNamed();
    if (!glfwInit()) {
        return false;
    }
    setWindowHints();
    window_ = glfwCreateWindow(options.width, options.height, "scripted game", nullptr, nullptr);
    if (!window_) {
        return false;
    }
    adoptCreatedWindow(window_);
    glfwMakeContextCurrent(window_);
    glfwSwapInterval(0);
    if (!gladLoadGL(glfwGetProcAddress) || !glew::started(glew::init(), glfwPlatform::contextIsGlx(window_))) {
        return false;
    }
    glfwSetWindowRefreshCallback(window_, windowRefreshCallback);
    glfwSetFramebufferSizeCallback(window_, framebufferSizeCallback);
    glfwSetInputMode(window_, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
    if (glDebugMessageCallback) {
        glDebugMessageCallback(glDebugOutputCallback, nullptr);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    }
    if (!initFramework() || !initPhysX()) {
        return false;
    }
    setStartRenderState();

    createLevelSingletons();
    static GameContext context;
    context_ = &context;
    SoundManager::getInstance();
    programs_ = createShaderPrograms();
    particles_ = createParticlesAndHandOutPrograms(programs_);
    level_ = assembleScene(context, window_, programs_, particles_);
    GameState::getInstance()->startTimer();
    // As start-up's frame-rate choice makes it for a monitor of 60 Hz or one above it.
    const bool fast = options.framesPerSecond > 60;
    refreshRate = fast ? 80.0f : 60.0f;
    lowRefreshMonitor = !fast;
    GameState::getInstance()->frameInterval = 1.0 / static_cast<double>(refreshRate);
    // Exact in binary, so every pass sees the same delta, and a little longer than the frame
    // interval, so the gate always opens: at 60 every pass runs one fixed step, at 80 about
    // three passes in four do.
    passSeconds_ = fast ? 13.0 / 1024.0 : 9.0 / 512.0;
    return true;
}

bool Game::pass() {
    scriptedSeconds += passSeconds_;
    ++passCount_;
    return runFramePass(*context_);
}

void Game::shutdown() {
    if (framebuffer_) glDeleteFramebuffers(1, &framebuffer_);
    if (colorBuffer_) glDeleteRenderbuffers(1, &colorBuffer_);
    framebuffer_ = colorBuffer_ = 0;
    std::ostringstream console;
    std::streambuf* previous = std::cout.rdbuf(console.rdbuf());
    shutdownGame(programs_, particles_, level_);
    std::cout.rdbuf(previous);
    transcript_ += console.str();
}

void Game::press(int key) { keyCallback(window_, key, 0, GLFW_PRESS, 0); }
void Game::release(int key) { keyCallback(window_, key, 0, GLFW_RELEASE, 0); }
void Game::tap(int key) {
    press(key);
    release(key);
}

void Game::moveCursor(double dx, double dy) {
    cursorX += dx;
    cursorY += dy;
}

void Game::expose() { windowRefreshCallback(window_); }

void Game::jumpCalendar(std::time_t seconds) { calendarJump += seconds; }

Image Game::readBackBuffer() {
    Image image;
    glfwGetFramebufferSize(window_, &image.width, &image.height);
    if (image.width <= 0 || image.height <= 0) {
        image.width = image.height = 0;
        return image;
    }
    // Whatever the pass left bound is put back afterwards: the read may come between its draws.
    GLint readFramebuffer = 0, drawFramebuffer = 0, readBuffer = 0, packAlignment = 4;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    if (!framebuffer_ || bufferWidth_ != image.width || bufferHeight_ != image.height) {
        if (!colorBuffer_) glGenRenderbuffers(1, &colorBuffer_);
        glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, image.width, image.height);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        if (!framebuffer_) glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
        bufferWidth_ = image.width;
        bufferHeight_ = image.height;
    }
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glReadBuffer(GL_BACK);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
    glBlitFramebuffer(0, 0, image.width, image.height, 0, 0, image.width, image.height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, image.width, image.height, GL_RGB, GL_UNSIGNED_BYTE, image.rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(static_cast<GLenum>(readBuffer));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
    if (scissor) glEnable(GL_SCISSOR_TEST);
    return image;
}

void enterExecutableDirectory() {
    std::vector<char> path(4096);
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0) {
        return;
    }
    const std::string exe(path.data(), static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    if (slash != std::string::npos && chdir(exe.substr(0, slash).c_str()) != 0) {
        std::perror("chdir");
    }
}

void writePpm(const std::string& path, const Image& image) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << ' ' << image.height << "\n255\n";
    const std::size_t row = static_cast<std::size_t>(image.width) * 3;
    for (int y = image.height - 1; y >= 0; --y) {
        out.write(reinterpret_cast<const char*>(image.rgb.data()) + static_cast<std::size_t>(y) * row,
                  static_cast<std::streamsize>(row));
    }
}

}  // namespace scripted
