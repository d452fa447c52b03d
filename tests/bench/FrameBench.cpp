// Frame-time benchmark: the game's real scene (level and its materials, sky, environment map
// and mirror cube, player model, artifacts, both particle systems, lens flare, GUI images and
// HUD) assembled as the game assembles it, drawn by the game's own passes in a window of the
// given size, and timed per pass. It prints figures; it is no test and never fails on speed.
// scripts/bench runs it for both sizes and two rasterizer thread counts and prints one table.
//
//   cmake --build build --target frame_bench
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/frame_bench              (640x360 and 1280x720)
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/frame_bench 960 540 50   (one size, 50 frames a series)
//   options: --pause SECONDS (the pause-screen measurement, 0 skips it), --kv (key-value lines
//   for scripts/bench instead of the readable report)
//
// LP_NUM_THREADS=2 imitates a two-core machine (llvmpipe's rasterizer threads).
//
// Each size runs in a process of its own (the game's singletons are made once per process for
// one window size). The game's clock is replaced by one that advances exactly one fixed step of
// 1/60 s per frame, so every timed frame is a frame in which one fixed step ran (as on a machine
// slower than 60 frames per second) and the walk covers the same ground however fast the frames
// come. A frame is the update (rules, player, camera, physics, fades), the environment capture
// (recorded, then the mirror's faces this frame can show drawn, as the game's frame loop does),
// the frame pass and the buffer swap. "separated" runs glFinish after each pass, so each pass is
// charged with its own work; "pipelined" runs a frame with a single glFinish after the swap. The
// two kinds take turns, frame by frame, so that both describe the same stretch of the walk.
// Standing: the thief stays on the start platform. Walking: the thief walks to and fro on the
// start platform towards the mirror cube, partly within the band 3 to 10 units from it where
// the light and the sky change ("band_frames" counts those frames). Walking away: to and fro
// beyond the cube, 5 to 9.5 units past it, facing away from it. The movement keys are pressed
// and released through the key callback as a player would.
//
// The pause screen is measured on the real frame loop with the real clock: the share of a core
// the main thread uses while the paused picture is shown, over a few seconds of wall time.
// Heap allocations are counted over the pipelined frames (see AllocationCounter.h).
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ctime>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <IL/il.h>
#include <IL/ilu.h>

#include "platform/gl/GL.h"
#include "platform/gl/GlewLoader.h"
#include "platform/gl/GlfwPlatform.h"
#include <GLFW/glfw3.h>

#include "AllocationCounter.h"
#include "framework/Framework.h"
#include "framework/Shader.h"
#include "game/Callbacks.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "game/FixedStep.h"
#include "game/FramePass.h"
#include "game/GameContext.h"
#include "game/GameLoop.h"
#include "game/KeyBindings.h"
#include "game/SoundManager.h"
#include "game/Startup.h"
#include "platform/system/Clock.h"
#include "renderer/Blur.h"
#include "renderer/DirectionalLight.h"
#include "renderer/RendererState.h"
#include "renderer/EnvironmentCapture.h"
#include "renderer/GuiImage.h"
#include "renderer/LensFlare.h"
#include "renderer/LevelMeshes.h"
#include "renderer/Material.h"
#include "renderer/ModelPasses.h"
#include "renderer/ParticleSystem.h"
#include "renderer/PlayerModel.h"
#include "renderer/Skybox.h"
#include "renderer/TextRenderer.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"
#include "state/Settings.h"

namespace {

using Clock = std::chrono::steady_clock;


double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double secondsOf(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Options {
    int width = 0;  // 0: both sizes, each in a child process
    int height = 0;
    int frames = 100;  // per series
    double pauseSeconds = 3.0;
    bool keyValues = false;
};

struct Series {
    const char* name;
    const char* key;
    std::vector<double> ms;

    double quantile(double q) const {
        if (ms.empty()) {
            return 0.0;
        }
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const size_t i = std::min(sorted.size() - 1, static_cast<size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5));
        return sorted[i];
    }
};

// The figures of one posture (standing or walking).
struct Posture {
    Series update{"update", "update", {}};
    Series capture{"environment capture", "capture", {}};
    Series scene{"frame pass", "frame", {}};
    Series swap{"swap", "swap", {}};
    Series separated{"whole (separated)", "separated", {}};
    Series pipelined{"whole (pipelined)", "pipelined", {}};
    AllocationCounts allocations;  // over the pipelined frames
    int pipelinedFrames = 0;
    int bandFrames = 0;  // timed frames with the thief 3 to 10 units from the mirror cube

    double framesPerSecond() const {
        const double ms = pipelined.quantile(0.5);
        return ms > 0.0 ? 1000.0 / ms : 0.0;
    }
};

struct PauseFigures {
    double wallSeconds = 0.0;
    int passes = 0;  // frame-loop passes the gate let through (the still picture is drawn once)
    double mainThreadCpu = 0.0;  // fraction of one core
    double processCpu = 0.0;
    AllocationCounts allocations;
};

// The game's start-up prints a transcript; the benchmark keeps it out of its figures and shows
// only the lines that tell of a fault.
void reportFaultLines(const std::string& transcript) {
    std::istringstream lines(transcript);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("OpenGL Error", 0) == 0 || line.rfind("GLFW error", 0) == 0 || line.rfind("ERROR", 0) == 0
            || line.find("Failed") != std::string::npos || line.find("Could not") != std::string::npos) {
            std::printf("  start-up: %s\n", line.c_str());
        }
    }
}

// The game runs from its build directory and opens its assets as "../assets/...": so does the
// benchmark, which lies beside the game.
void enterExecutableDirectory() {
    std::vector<char> path(4096);
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0) {
        return;
    }
    std::string exe(path.data(), static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    if (slash != std::string::npos && chdir(exe.substr(0, slash).c_str()) != 0) {
        std::perror("chdir");
    }
}

// To and fro on the start platform along x = 0: forward (W) until z reaches `forwardEnd`, then
// backwards (S) until it reaches `backEnd`, so the camera keeps looking down the course.
// Positions are in physics space, where walking forward decreases z; the start is z = 16.5, the
// platform reaches from z = 19.5 to z = -10.5 and the mirror cube stands at z = 0.
class Patrol {
public:
    Patrol(GLFWwindow* window, Player& player, float forwardEnd, float backEnd)
        : window_(window), player_(player), nearEnd(forwardEnd), farEnd(backEnd) {}

    void start() {
        last_ = player_.position;
        lowestY_ = player_.position.y;
        press(GLFW_KEY_W);
        forward_ = true;
    }

    // Before each frame: turn round at either end, and keep the tally.
    void steer() {
        const glm::vec3 p = player_.position;
        distance_ += std::hypot(p.x - last_.x, p.z - last_.z);
        last_ = p;
        lowestY_ = std::min(lowestY_, p.y);
        if (forward_ && p.z <= nearEnd) {
            release(GLFW_KEY_W);
            press(GLFW_KEY_S);
            forward_ = false;
        } else if (!forward_ && p.z >= farEnd) {
            release(GLFW_KEY_S);
            press(GLFW_KEY_W);
            forward_ = true;
        }
    }

    void stop() { release(forward_ ? GLFW_KEY_W : GLFW_KEY_S); }

    double distance() const { return distance_; }
    float lowestY() const { return lowestY_; }

private:
    void press(int key) { keyCallback(window_, key, 0, GLFW_PRESS, 0); }
    void release(int key) { keyCallback(window_, key, 0, GLFW_RELEASE, 0); }

    GLFWwindow* window_;
    Player& player_;
    const float nearEnd;  // forward until z is this low
    const float farEnd;   // then back until it is this high
    bool forward_ = true;
    glm::vec3 last_{0.0f};
    double distance_ = 0.0;
    float lowestY_ = 0.0f;
};

// The mouse lies still: the camera reads back the cursor position it saw last. (Under Xvfb the
// pointer starts at the screen's centre, not the window's, and the first camera update would
// turn the thief by that distance.)
void cursorAtRest(GLFWwindow*, double* x, double* y) {
    const Camera& camera = *Camera::getInstance();
    *x = camera.lastX;
    *y = camera.lastY;
}

void printSeries(const Series& series) {
    std::printf("    %-22s median %7.2f ms   95th percentile %7.2f ms\n", series.name, series.quantile(0.5),
                series.quantile(0.95));
}

double perFrame(std::uint64_t count, int frames) {
    return frames > 0 ? static_cast<double>(count) / frames : 0.0;
}

void printPosture(const char* title, const Posture& posture) {
    std::printf("  %s\n", title);
    for (const Series* series : {&posture.update, &posture.capture, &posture.scene, &posture.swap,
                                 &posture.separated, &posture.pipelined}) {
        printSeries(*series);
    }
    std::printf("    => about %.1f frames per second (pipelined median)\n", posture.framesPerSecond());
    if (allocationCountingAvailable()) {
        const AllocationCounts& a = posture.allocations;
        const int n = posture.pipelinedFrames;
        std::printf("    heap allocations per frame: operator new %.1f (%.0f bytes), malloc on the main thread %.1f, "
                    "malloc on other threads %.1f\n",
                    perFrame(a.newCalls, n), perFrame(a.newBytes, n), perFrame(a.mallocCallsMainThread, n),
                    perFrame(a.mallocCallsOtherThreads, n));
    }
}

void printPostureValues(const char* prefix, const Posture& posture) {
    for (const Series* series : {&posture.update, &posture.capture, &posture.scene, &posture.swap,
                                 &posture.separated, &posture.pipelined}) {
        std::printf("%s.%s %.3f\n", prefix, series->key, series->quantile(0.5));
    }
    std::printf("%s.fps %.3f\n", prefix, posture.framesPerSecond());
    if (allocationCountingAvailable()) {
        const AllocationCounts& a = posture.allocations;
        const int n = posture.pipelinedFrames;
        std::printf("%s.new %.2f\n%s.new_bytes %.0f\n%s.malloc_main %.2f\n%s.malloc_other %.2f\n", prefix,
                    perFrame(a.newCalls, n), prefix, perFrame(a.newBytes, n), prefix,
                    perFrame(a.mallocCallsMainThread, n), prefix, perFrame(a.mallocCallsOtherThreads, n));
    }
}

// The paused picture on the real frame loop and the real clock: P released as the key callback
// sees it, the clean frame and the snapshot, then the paused picture for `seconds` of wall time.
PauseFigures measurePause(GameContext& context, GLFWwindow* window, double seconds) {
    PauseFigures figures;
    GameState& state = *GameState::getInstance();
    resetClockSources();
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    chooseFrameRate(monitor ? glfwGetVideoMode(monitor) : nullptr);
    state.lastFrame = clockSeconds() - state.frameInterval;
    state.lastTime = state.lastStepTime = clockSeconds();
    keyCallback(window, GLFW_KEY_P, 0, GLFW_RELEASE, 0);
    if (!paused) {
        return figures;
    }

    // The clean frame, the snapshot pass, and half a second to settle.
    const auto settleEnd = Clock::now() + std::chrono::milliseconds(500);
    while (!clockPaused || Clock::now() < settleEnd) {
        runFramePass(context);
    }
    glFinish();

    const auto start = Clock::now();
    const double threadStart = secondsOf(CLOCK_THREAD_CPUTIME_ID);
    const double processStart = secondsOf(CLOCK_PROCESS_CPUTIME_ID);
    const AllocationCounts allocationsStart = allocationCounts();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        if (runFramePass(context)) {
            ++figures.passes;
        }
    }
    figures.allocations = allocationCounts() - allocationsStart;
    figures.wallSeconds = millisecondsSince(start) / 1000.0;
    figures.mainThreadCpu = (secondsOf(CLOCK_THREAD_CPUTIME_ID) - threadStart) / figures.wallSeconds;
    figures.processCpu = (secondsOf(CLOCK_PROCESS_CPUTIME_ID) - processStart) / figures.wallSeconds;
    return figures;
}

int runOneSize(const Options& options) {
    const int width = options.width, height = options.height, frames = options.frames;
    setenv("ALSOFT_DRIVERS", "null", 0);  // no sound card on a build machine
    markAllocationMainThread();

    std::ostringstream transcript;
    std::streambuf* console = std::cout.rdbuf(transcript.rdbuf());

    GameState::getInstance();
    windowWidth = currentWidth = width;
    windowHeight = currentHeight = height;
    is16by9 = width == 1280 && height == 720;
    vsync = false;
    showFPS = true;
    introDone = true;
    loadingScreen = true;
    applyBrightness();

    glfwSetErrorCallback(glfwErrorCallback);
    glfwPlatform::preferX11WhereOnlyXIsNamed();
    if (!glfwInit()) {
        std::cout.rdbuf(console);
        std::printf("cannot initialise GLFW (is there an X display?)\n");
        return 1;
    }
    setWindowHints();
    GLFWwindow* window = glfwCreateWindow(width, height, "frame_bench", nullptr, nullptr);
    if (!window) {
        glfwTerminate();
        std::cout.rdbuf(console);
        std::printf("cannot create a %dx%d window with an OpenGL 4.3 core context\n", width, height);
        return 1;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(0);
    if (!gladLoadGL(glfwGetProcAddress) || !glew::started(glew::init(), glfwPlatform::contextIsGlx(window))) {
        glfwTerminate();
        std::cout.rdbuf(console);
        std::printf("cannot load the OpenGL entry points\n");
        return 1;
    }
    glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
    if (glfwRawMouseMotionSupported()) {
        glfwSetInputMode(window, GLFW_RAW_MOUSE_MOTION, GLFW_TRUE);
    }
    if (glDebugMessageCallback) {
        glDebugMessageCallback(glDebugOutputCallback, nullptr);
        glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    }
    if (!initFramework() || !initPhysX()) {
        glfwTerminate();
        std::cout.rdbuf(console);
        reportFaultLines(transcript.str());
        std::printf("cannot start the framework or the physics world\n");
        return 1;
    }
    setStartRenderState();

    // The scene, in the game's own start-up order.
    createLevelSingletons();
    static GameContext context;
    SoundManager::getInstance();
    ShaderPrograms programs = createShaderPrograms();
    ParticleSystems particles = createParticlesAndHandOutPrograms(programs);
    std::unique_ptr<Level> level = assembleScene(context, window, programs, particles);
    EnvironmentMap* environmentMap = EnvironmentMap::getInstance();
    GameState& state = *GameState::getInstance();
    Player& player = *Player::getInstance();

    Camera::setCursorSource(cursorAtRest);

    // From here the game reads a clock that moves one fixed step per frame; the calendar stands
    // still, so the run's time limit never runs out however long the benchmark takes.
    double gameSeconds = glfwGetTime();
    const std::time_t calendar = std::time(nullptr);
    setClockSecondsSource([&gameSeconds] { return gameSeconds; });
    setClockCalendarSource([calendar] { return calendar; });
    setClockTickSource([&gameSeconds] { return static_cast<std::uint32_t>(gameSeconds * 1000.0); });
    state.startTimer();
    state.lastTime = state.lastStepTime = gameSeconds;

    // The particle warm-up of the first frame (120 advances of 0.2 s while the intro runs),
    // then the running game: intro over, player on the start platform.
    state.particleDt = 0.2;
    for (int i = 0; i < 120; ++i) {
        particles.fire->updateAndDraw(blendFactor);
        particles.smoke->updateAndDraw(blendFactor);
    }
    introActive = false;
    loadingScreen = false;

    Posture* timed = nullptr;
    auto frame = [&](bool separated) {
        const auto start = Clock::now();
        auto mark = start;
        auto lap = [&](Series Posture::*series) {
            if (!separated) {
                return;
            }
            glFinish();
            if (timed) (timed->*series).ms.push_back(millisecondsSince(mark));
            mark = Clock::now();
        };
        gameSeconds += fixedStepSeconds;
        // The clock's readings are rounded: make sure every frame runs its fixed step.
        state.accumulator = std::max(state.accumulator, fixedStepSeconds);
        updateGame(context);
        lap(&Posture::update);
        // As the frame loop captures after a fixed step, and as the frame pass then draws the
        // faces the mirror can show (renderFrame finds them drawn; the cursor lies still, so
        // its camera update changes nothing).
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_MULTISAMPLE);
        recordEnvironmentCapture(*environmentMap, programs[0], gammaVector);
        envCubemapTexture = environmentMap->cubeMap.id;
        physicsTicked = false;
        context.camera->update(window);
        drawMirrorFacesInView(context);
        lap(&Posture::capture);
        renderFrame(context);
        lap(&Posture::scene);
        glfwSwapBuffers(window);
        glfwPollEvents();
        glFinish();
        if (timed) {
            (separated ? timed->swap : timed->pipelined).ms.push_back(millisecondsSince(mark));
            if (separated) timed->separated.ms.push_back(millisecondsSince(start));
        }
    };
    // Separated and pipelined frames in turn, the allocations counted over the pipelined ones.
    auto measure = [&](Posture& posture, const std::function<void()>& beforeFrame) {
        timed = &posture;
        for (int i = 0; i < frames; ++i) {
            for (bool separated : {true, false}) {
                beforeFrame();
                const float distance = glm::length(player.position);
                posture.bandFrames += distance >= 3.0f && distance <= 10.0f ? 1 : 0;
                const AllocationCounts before = allocationCounts();
                frame(separated);
                if (!separated) {
                    const AllocationCounts added = allocationCounts() - before;
                    posture.allocations.newCalls += added.newCalls;
                    posture.allocations.newBytes += added.newBytes;
                    posture.allocations.mallocCallsMainThread += added.mallocCallsMainThread;
                    posture.allocations.mallocCallsOtherThreads += added.mallocCallsOtherThreads;
                }
            }
        }
        posture.pipelinedFrames = frames;
        timed = nullptr;
    };

    for (int i = 0; i < 20; ++i) {
        frame(true);
    }
    Posture standing;
    measure(standing, [] {});

    // A walk to and fro: into its cycle, then timed; true when the thief left the ground.
    auto walk = [&](Patrol& patrol, Posture& posture) {
        patrol.start();
        for (int i = 0; i < 10; ++i) {
            patrol.steer();
            frame(true);
        }
        measure(posture, [&patrol] { patrol.steer(); });
        patrol.stop();
        return patrol.lowestY() < -1.4f || gameOver;
    };
    // Towards the cube and back: from the start to 5 units before the cube.
    Patrol patrol(window, player, 5.0f, 15.5f);
    Posture walking;
    const bool fell = walk(patrol, walking);

    // Beyond the cube, facing away from it (towards the goal, as at the start).
    const glm::vec3 beyond(0.0f, player.position.y, -5.0f);
    player.controller->setPosition(glm::dvec3(beyond));
    player.position = beyond;
    player.yaw = 270.0f;
    for (int i = 0; i < 10; ++i) {  // settled on the ground
        frame(true);
    }
    Patrol away(window, player, -9.5f, -5.0f);
    Posture walkingAway;
    const bool fellAway = walk(away, walkingAway);

    PauseFigures pause;
    if (options.pauseSeconds > 0.0) {
        pause = measurePause(context, window, options.pauseSeconds);
    }
    resetClockSources();
    Camera::setCursorSource(nullptr);

    std::cout.rdbuf(console);
    reportFaultLines(transcript.str());
    const char* threads = std::getenv("LP_NUM_THREADS");
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (options.keyValues) {
        std::printf("size %dx%d\nthreads %s\nrenderer %s\nframes %d\n", width, height, threads ? threads : "default",
                    renderer, frames);
        printPostureValues("standing", standing);
        printPostureValues("walking", walking);
        std::printf("walking.distance %.2f\nwalking.fell %d\nwalking.band_frames %d\n", patrol.distance(), fell ? 1 : 0,
                    walking.bandFrames);
        printPostureValues("away", walkingAway);
        std::printf("away.distance %.2f\naway.fell %d\naway.band_frames %d\n", away.distance(), fellAway ? 1 : 0,
                    walkingAway.bandFrames);
        if (pause.wallSeconds > 0.0) {
            std::printf("pause.seconds %.2f\npause.passes_per_second %.2f\npause.main_thread_cpu %.4f\n"
                        "pause.process_cpu %.4f\n",
                        pause.wallSeconds, pause.passes / pause.wallSeconds, pause.mainThreadCpu, pause.processCpu);
            if (allocationCountingAvailable()) {
                std::printf("pause.new %.2f\npause.malloc_main %.2f\npause.malloc_other %.2f\n",
                            perFrame(pause.allocations.newCalls, pause.passes),
                            perFrame(pause.allocations.mallocCallsMainThread, pause.passes),
                            perFrame(pause.allocations.mallocCallsOtherThreads, pause.passes));
            }
        }
    } else {
        std::printf("%dx%d, 4x MSAA, %d frames a series, one fixed step a frame, rasterizer threads: %s, renderer: %s\n",
                    width, height, frames, threads ? threads : "default", renderer);
        printPosture("standing on the start platform", standing);
        char title[160];
        std::snprintf(title, sizeof title,
                      "walking to and fro towards the mirror cube (%.1f units, %d of %d frames 3 to 10 units from "
                      "it%s)",
                      patrol.distance(), walking.bandFrames, 2 * frames,
                      fell ? ", FELL: the figures are not those of a walk" : "");
        printPosture(title, walking);
        std::snprintf(title, sizeof title, "walking to and fro beyond the mirror cube, facing away (%.1f units%s)",
                      away.distance(), fellAway ? ", FELL: the figures are not those of a walk" : "");
        printPosture(title, walkingAway);
        if (pause.wallSeconds > 0.0) {
            std::printf("  pause screen, real frame loop and clock, %.1f s: %.1f passes a second, main thread %.0f%% "
                        "of a core, whole process %.0f%%\n",
                        pause.wallSeconds, pause.passes / pause.wallSeconds, 100.0 * pause.mainThreadCpu,
                        100.0 * pause.processCpu);
        }
        if (!allocationCountingAvailable()) {
            std::printf("  heap allocations: not counted in a sanitizer build\n");
        }
    }
    std::fflush(stdout);

    // Shutdown in the game's order; the transcript of it is dropped.
    std::cout.rdbuf(transcript.rdbuf());
    shutdownGame(programs, particles, level);
    std::cout.rdbuf(console);
    return 0;
}

int runChild(const char* self, const Options& options, int width, int height) {
    std::vector<std::string> args = {self, std::to_string(width), std::to_string(height),
                                     std::to_string(options.frames), "--pause", std::to_string(options.pauseSeconds)};
    if (options.keyValues) {
        args.push_back("--kv");
    }
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }
    if (pid == 0) {
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        execv(self, argv.data());
        std::perror("exec");
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

[[noreturn]] void usage(const char* problem) {
    std::fprintf(stderr, "frame_bench: %s\nusage: frame_bench [WIDTH HEIGHT] [FRAMES] [--pause SECONDS] [--kv]\n",
                 problem);
    std::exit(2);
}

int positiveArgument(const char* text, const char* what) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0 || value > 100000) {
        usage((std::string(what) + " must be a positive whole number, not '" + text + "'").c_str());
    }
    return static_cast<int>(value);
}

Options parseOptions(int argc, char** argv) {
    Options options;
    std::vector<const char*> numbers;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--kv") == 0) {
            options.keyValues = true;
        } else if (std::strcmp(argv[i], "--pause") == 0) {
            if (i + 1 >= argc) usage("--pause needs a number of seconds");
            char* end = nullptr;
            options.pauseSeconds = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !(options.pauseSeconds >= 0.0) || options.pauseSeconds > 600.0) {
                usage("--pause needs a number of seconds from 0 to 600");
            }
        } else if (argv[i][0] == '-') {
            usage((std::string("unknown option ") + argv[i]).c_str());
        } else {
            numbers.push_back(argv[i]);
        }
    }
    if (numbers.size() == 1) {
        options.frames = positiveArgument(numbers[0], "the frame count");
    } else if (numbers.size() == 2 || numbers.size() == 3) {
        options.width = positiveArgument(numbers[0], "the width");
        options.height = positiveArgument(numbers[1], "the height");
        if (numbers.size() == 3) options.frames = positiveArgument(numbers[2], "the frame count");
    } else if (!numbers.empty()) {
        usage("too many numbers");
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    enterExecutableDirectory();
    if (options.width > 0) {
        return runOneSize(options);
    }
    int result = 0;
    for (const auto& size : {std::array<int, 2>{640, 360}, std::array<int, 2>{1280, 720}}) {
        result |= runChild("/proc/self/exe", options, size[0], size[1]);
    }
    return result;
}
