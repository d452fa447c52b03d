// Renders a fixed list of the game's frames into binary PPM files, the same bytes on every run,
// so that scripts/frame-identity can compare two builds pixel by pixel.
//
//   frame_identity OUTDIR            every group, each in a process of its own
//   frame_identity OUTDIR GROUP      one group ("title" or "run")
//
// The scene is started as main starts it, and every frame comes out of the game's own frame
// loop (runFramePass). What would vary between runs is fixed: the clock is scripted (each pass
// is 9/512 s later, so each pass runs exactly one fixed step), both particle random sources are
// seeded, the cursor is scripted, keys go through the game's key callback, and the window is
// small and of a fixed size. The window's 4x multisampled back buffer is resolved into a
// single-sample framebuffer and read back after the pass has swapped (the back buffer keeps
// its contents across a swap here, as the pause snapshot relies on).
//
// Each shot checks that the game is in the state its name promises (on the loading screen, in
// the air, the lens flare in view, ...): when a change to the game moves the script off course,
// the program says which frame no longer shows what it should and exits with status 1.
// FRAME_IDENTITY_TRACE=1 prints the state after every pass, for re-aiming the script.
// Run it with LP_NUM_THREADS fixed: llvmpipe is deterministic for a given thread count.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gl/GL.h"
#include "platform/gl/GlewLoader.h"
#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>

#include "framework/Framework.h"
#include "game/Callbacks.h"
#include "state/Camera.h"
#include "game/GameContext.h"
#include "game/GameLoop.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "game/KeyBindings.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "game/SoundManager.h"
#include "game/Startup.h"
#include "game/SunVisibility.h"
#include "platform/system/Clock.h"
#include "renderer/LensFlare.h"
#include "renderer/ParticleSystem.h"

namespace {

constexpr int width = 480;
constexpr int height = 270;
// Exact in binary, so every pass sees the same delta; a little longer than the fixed step, so
// every pass runs one.
constexpr double passSeconds = 9.0 / 512.0;
constexpr std::time_t calendarStart = 1700000000;
constexpr unsigned int particleSeed = 1234567;

double scriptedSeconds = 1.0;   // as if GLFW had been initialised a second before the first pass
std::time_t calendarJump = 0;   // added to the calendar (the time-out shot jumps it)
double cursorX = width * 0.5;   // the camera starts with the cursor at the window's centre
double cursorY = height * 0.5;

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

bool tracing() {
    const char* trace = std::getenv("FRAME_IDENTITY_TRACE");
    return trace && *trace && std::string(trace) != "0";
}

// The game's start-up, as main runs it, for a window of the fixed size.
struct Game {
    GLFWwindow* window = nullptr;
    GameContext* context = nullptr;
    ShaderPrograms programs;
    ParticleSystems particles;
    std::unique_ptr<Level> level;
};

bool startGame(Game& game) {
    setenv("ALSOFT_DRIVERS", "null", 0);  // no sound card on a build machine
    installScriptedClockAndCursor();
    seedParticleRandomness(particleSeed);

    GameState::getInstance();
    windowWidth = currentWidth = width;
    windowHeight = currentHeight = height;
    is16by9 = false;
    vsync = false;

    glfwSetErrorCallback(glfwErrorCallback);
    if (!glfwInit()) {
        return false;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, 1);
    glfwWindowHint(GLFW_RESIZABLE, 0);
    glfwWindowHint(GLFW_SAMPLES, 4);
    game.window = glfwCreateWindow(width, height, "frame_identity", nullptr, nullptr);
    if (!game.window) {
        return false;
    }
    glfwMakeContextCurrent(game.window);
    glfwSwapInterval(0);
    if (!gladLoadGL(glfwGetProcAddress) || glew::init() != 0) {
        return false;
    }
    glfwSetInputMode(game.window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
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
    game.context = &context;
    SoundManager::getInstance();
    game.programs = createShaderPrograms();
    game.particles = createParticlesAndHandOutPrograms(game.programs);
    game.level = assembleScene(context, game.window, game.programs, game.particles);
    GameState::getInstance()->startTimer();
    // Xvfb's monitor reports 0 Hz: the game chooses 60 frames a second on a slow monitor.
    refreshRate = 60.0f;
    lowRefreshMonitor = true;
    GameState::getInstance()->frameInterval = 1.0 / 60.0;
    return true;
}

// Drives the running game and writes the named frames.
class Script {
public:
    Script(Game& game, std::string directory) : game_(game), directory_(std::move(directory)) {}

    void passes(int count) {
        for (int i = 0; i < count; ++i) {
            pass();
        }
    }

    // Passes until the condition holds; false (and a complaint) when it does not within the limit.
    bool passUntil(const std::function<bool()>& condition, int limit, const char* what) {
        for (int i = 0; i < limit; ++i) {
            if (condition()) {
                return true;
            }
            pass();
        }
        if (condition()) {
            return true;
        }
        std::printf("frame_identity: after %d passes still not %s\n", limit, what);
        ++failures_;
        return false;
    }

    void press(int key) { keyCallback(game_.window, key, 0, GLFW_PRESS, 0); }
    void release(int key) { keyCallback(game_.window, key, 0, GLFW_RELEASE, 0); }
    void tap(int key) {
        press(key);
        release(key);
    }

    // Writes the frame the last pass drew as NAME.ppm; `shows` says whether the game is in the
    // state the name promises.
    void shot(const std::string& name, bool shows, const char* what) {
        if (!shows) {
            std::printf("frame_identity: frame '%s' does not show %s\n", name.c_str(), what);
            ++failures_;
        }
        writePpm(directory_ + "/" + name + ".ppm", readBackBuffer());
        std::ofstream(directory_ + "/frames.txt", std::ios::app) << name << '\n';
    }

    int failures() const { return failures_; }

    void releaseGl() {
        if (framebuffer_) glDeleteFramebuffers(1, &framebuffer_);
        if (colorBuffer_) glDeleteRenderbuffers(1, &colorBuffer_);
        framebuffer_ = colorBuffer_ = 0;
    }

private:
    void pass() {
        scriptedSeconds += passSeconds;
        ++passCount_;
        if (!runFramePass(*game_.context)) {
            std::printf("frame_identity: the frame gate held pass %d back\n", passCount_);
            ++failures_;
        }
        if (tracing()) {
            const Player& p = *Player::getInstance();
            const GameState& s = *GameState::getInstance();
            std::printf("pass %4d  pos (%.2f %.2f %.2f) yaw %.1f inAir %d  textTicks %d  intro %d ending %d  "
                        "over %d  flare %d sun %d  blend %.2f fall %.2f/%.2f  elapsed %.0f\n",
                        passCount_, p.position.x, p.position.y, p.position.z, p.yaw, p.inAir, s.textTicks,
                        introActive, introEnding, gameOver, flareVisible, isSunVisible(), blendFactor,
                        fallOverlayFade, fallFade, s.elapsed);
        }
    }

    std::vector<unsigned char> readBackBuffer() {
        if (!framebuffer_) {
            glGenRenderbuffers(1, &colorBuffer_);
            glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
            glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
            glBindRenderbuffer(GL_RENDERBUFFER, 0);
            glGenFramebuffers(1, &framebuffer_);
            glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
        }
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
        glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return pixels;
    }

    // OpenGL's rows run bottom to top, PPM's top to bottom.
    static void writePpm(const std::string& path, const std::vector<unsigned char>& pixels) {
        std::ofstream out(path, std::ios::binary);
        out << "P6\n" << width << ' ' << height << "\n255\n";
        for (int row = height - 1; row >= 0; --row) {
            out.write(reinterpret_cast<const char*>(pixels.data()) + static_cast<size_t>(row) * width * 3, width * 3);
        }
    }

    Game& game_;
    std::string directory_;
    int passCount_ = 0;
    int failures_ = 0;
    unsigned int framebuffer_ = 0;
    unsigned int colorBuffer_ = 0;
};

// The first run of a process without "skipIntro": the title screen, once fully faded in.
void titleGroup(Script& script) {
    script.passes(200);
    script.shot("title-screen", introActive && !loadingScreen, "the title screen");
}

float distanceToOrigin() { return glm::length(Player::getInstance()->position); }

// With the intro skipped: the loading screen, the game, the pause and the three ends.
void runGroup(Script& script) {
    Player& player = *Player::getInstance();
    const GameState& state = *GameState::getInstance();
    auto gameRuns = [] { return !introActive && !introEnding && !gameOver; };

    script.passes(120);
    script.shot("loading-screen", introActive && loadingScreen, "the loading screen");
    script.passUntil(gameRuns, 300, "past the loading screen");
    script.passes(3);
    script.shot("game-start", gameRuns(), "the running game");

    // Forward from the start platform towards the mirror cube at the world origin.
    script.press(GLFW_KEY_W);
    script.passes(25);
    script.shot("walking", player.isMoving && !player.inAir, "the thief walking");
    script.press(GLFW_KEY_SPACE);
    script.passes(14);
    script.shot("in-air", player.inAir && player.position.y > -1.0f, "the thief in the air");
    script.passUntil([&] { return distanceToOrigin() < 4.5f; }, 600, "beside the mirror cube");
    script.release(GLFW_KEY_W);
    script.passes(4);
    script.shot("mirror-cube", distanceToOrigin() < 4.5f && blendFactor > 0.5f, "the thief beside the mirror cube");

    // Look up and to the side, so that the sun low over the far end of the level comes into view.
    cursorY -= 60.0;
    cursorX += 40.0;
    script.passes(4);
    script.shot("fire-smoke-flare", flareVisible && isSunVisible(), "the lens flare");

    script.release(GLFW_KEY_P);
    script.passes(4);  // the clean frame, the snapshot, then the pause picture
    script.shot("pause", paused && clockPaused, "the pause picture");
    script.release(GLFW_KEY_P);
    script.release(GLFW_KEY_M);
    script.passes(3);
    script.shot("muted", muted && !paused, "the game muted");
    script.release(GLFW_KEY_M);

    // Sideways off the platform into the abyss.
    script.press(GLFW_KEY_D);
    script.passUntil([&] { return fallOverlayFade > 0.5f; }, 600, "falling");
    script.release(GLFW_KEY_D);
    script.shot("fall-overlay", fallOverlayFade > 0.5f && fallFade == 0.0f && !gameOver, "the fall overlay");
    script.passUntil([] { return gameOver; }, 600, "at the bottom of the fall");
    script.passes(10);
    script.shot("end-fell", lostByFall, "the end screen of a fall");

    // A new run: the artifacts taken where they lie, then over the escape line.
    script.release(GLFW_KEY_N);
    script.passUntil(gameRuns, 400, "in the second run");
    const glm::vec3 spots[] = {{-18.0f, -1.33f, -53.5f}, {21.0f, -1.33f, -52.0f}, {0.0f, -1.33f, -69.0f},
                               {0.0f, -1.33f, -95.0f}};
    for (const glm::vec3& spot : spots) {
        player.controller->setPosition(glm::dvec3(spot));
        player.position = spot;
        script.passes(10);
    }
    script.passUntil([&] { return escaped && state.endScreenTicks >= 300; }, 400, "escaped");
    script.shot("end-escaped", escaped, "the end screen of an escape");

    // A third run that outlasts the time limit: the calendar jumps past it.
    script.release(GLFW_KEY_N);
    script.passUntil(gameRuns, 400, "in the third run");
    calendarJump += static_cast<std::time_t>(state.timeLimit) + 10;
    script.passUntil([] { return gameOver; }, 10, "out of time");
    script.passes(125);
    script.shot("end-timeout", lostByTime && !lostByFall && !escaped, "the end screen of a time-out");
}

int runGroup(const std::string& directory, const std::string& group) {
    // The start-up transcript stays out of the way; only fault lines are shown.
    std::ostringstream transcript;
    std::streambuf* console = std::cout.rdbuf(transcript.rdbuf());
    if (group == "run") {
        introDone = true;  // as with "skipIntro"
        loadingScreen = true;
    }
    Game game;
    if (!startGame(game)) {
        std::cout.rdbuf(console);
        std::printf("frame_identity: the game could not start:\n%s", transcript.str().c_str());
        return 1;
    }
    Script script(game, directory);
    if (group == "title") {
        titleGroup(script);
    } else {
        runGroup(script);
    }
    script.releaseGl();
    shutdownGame(game.programs, game.particles, game.level);
    std::cout.rdbuf(console);

    std::istringstream lines(transcript.str());
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("OpenGL Error", 0) == 0 || line.rfind("GLFW error", 0) == 0 || line.rfind("ERROR", 0) == 0) {
            std::printf("frame_identity (%s): %s\n", group.c_str(), line.c_str());
        }
    }
    return script.failures() == 0 ? 0 : 1;
}

// The game's singletons are made once per process, so each group gets a process of its own.
int runChild(const std::string& directory, const std::string& group) {
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }
    if (pid == 0) {
        execl("/proc/self/exe", "frame_identity", directory.c_str(), group.c_str(), static_cast<char*>(nullptr));
        std::perror("exec");
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// The game opens its assets as "../assets/...", from the directory it was built in.
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

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    std::vector<char> cwd(4096);
    return getcwd(cwd.data(), cwd.size()) ? std::string(cwd.data()) + "/" + path : path;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: frame_identity OUTDIR [title|run]\n");
        return 2;
    }
    const std::string directory = absolute(argv[1]);
    mkdir(directory.c_str(), 0755);
    enterExecutableDirectory();
    if (argc == 3) {
        const std::string group = argv[2];
        if (group != "title" && group != "run") {
            std::fprintf(stderr, "frame_identity: no group '%s' (title, run)\n", group.c_str());
            return 2;
        }
        return runGroup(directory, group);
    }
    std::remove((directory + "/frames.txt").c_str());
    int result = 0;
    for (const char* group : {"title", "run"}) {
        result |= runChild(directory, group);
    }
    return result;
}
