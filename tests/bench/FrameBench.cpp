// Frame-time benchmark: the game's real scene (level and its materials, sky, environment map
// and mirror cube, player model, artifacts, both particle systems, lens flare, GUI images and
// HUD) assembled as the game assembles it, drawn by the game's own passes in a window of the
// given size, and timed per pass. It prints figures; it is no test and never fails on speed.
//
//   ninja -C build-<you> frame_bench
//   xvfb-run -a -s "-screen 0 1920x1080x24" build-<you>/frame_bench            (640x360 and 1280x720)
//   xvfb-run -a -s "-screen 0 1920x1080x24" build-<you>/frame_bench 960 540 300  (one size, 300 frames)
//
// LP_NUM_THREADS=2 imitates a two-core machine (llvmpipe's rasterizer threads).
//
// Each size runs in a process of its own (the game's singletons are made once per process for
// one window size). A frame is timed as a frame of the running game in which a fixed step ran,
// which on a machine slower than 60 frames per second is every frame: the update (rules, player,
// camera, physics, fades), the six-face environment capture, the frame pass, the buffer swap.
// "separated" runs glFinish after each pass, so each pass is charged with its own work;
// "pipelined" runs the same frame with a single glFinish after the swap.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <IL/il.h>
#include <IL/ilu.h>

#include "platform/gl/GL.h"
#include "platform/gl/GlewLoader.h"
#include <GLFW/glfw3.h>

#include "framework/Framework.h"
#include "framework/Shader.h"
#include "game/Callbacks.h"
#include "state/Camera.h"
#include "game/FixedStep.h"
#include "game/GameContext.h"
#include "game/GameLoop.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "game/SoundManager.h"
#include "game/Startup.h"
#include "renderer/Blur.h"
#include "renderer/EnvironmentMap.h"
#include "game/FramePass.h"
#include "renderer/DirectionalLight.h"
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

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Series {
    const char* name;
    std::vector<double> ms;

    double quantile(double q) const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const size_t i = std::min(sorted.size() - 1, static_cast<size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5));
        return sorted[i];
    }
};

void printSeries(const Series& series) {
    std::printf("  %-22s median %7.2f ms   95th percentile %7.2f ms\n", series.name, series.quantile(0.5),
                series.quantile(0.95));
}

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

int runOneSize(int width, int height, int frames) {
    setenv("ALSOFT_DRIVERS", "null", 0);  // no sound card on a build machine

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
    if (!glfwInit()) {
        std::cout.rdbuf(console);
        std::printf("cannot initialise GLFW (is there an X display?)\n");
        return 1;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, 1);
    glfwWindowHint(GLFW_RESIZABLE, 0);
    glfwWindowHint(GLFW_SAMPLES, 4);
    GLFWwindow* window = glfwCreateWindow(width, height, "frame_bench", nullptr, nullptr);
    if (!window) {
        glfwTerminate();
        std::cout.rdbuf(console);
        std::printf("cannot create a %dx%d window with an OpenGL 4.3 core context\n", width, height);
        return 1;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(0);
    if (!gladLoadGL(glfwGetProcAddress) || glew::init() != 0) {
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
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // The scene, in the game's own start-up order.
    createLevelSingletons();
    static GameContext context;
    SoundManager::getInstance();
    ShaderPrograms programs = createShaderPrograms();
    ParticleSystems particles = createParticlesAndHandOutPrograms(programs);
    std::unique_ptr<Level> level = assembleScene(context, window, programs, particles);
    EnvironmentMap* environmentMap = EnvironmentMap::getInstance();
    GameState& state = *GameState::getInstance();
    state.startTimer();

    // The particle warm-up of the first frame (120 advances of 0.2 s while the intro runs),
    // then the running game: intro over, player on the start platform.
    state.particleDt = 0.2;
    for (int i = 0; i < 120; ++i) {
        particles.fire->updateAndDraw(blendFactor);
        particles.smoke->updateAndDraw(blendFactor);
    }
    introActive = false;
    loadingScreen = false;

    auto frame = [&](bool separated, Series* update, Series* capture, Series* scene, Series* swap, Series* whole) {
        const auto start = Clock::now();
        auto mark = start;
        auto lap = [&](Series* series) {
            if (!separated) {
                return;
            }
            glFinish();
            if (series) series->ms.push_back(millisecondsSince(mark));
            mark = Clock::now();
        };
        // Every timed frame is one in which a fixed step runs.
        state.accumulator = std::max(state.accumulator, fixedStepSeconds);
        updateGame(context);
        lap(update);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_MULTISAMPLE);
        renderEnvironmentMap(*environmentMap, programs[0], gammaVector);
        envCubemapTexture = environmentMap->cubeMap.id;
        physicsTicked = false;
        lap(capture);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // where the loop clears the frame
        renderFrame(context);
        lap(scene);
        glfwSwapBuffers(window);
        glfwPollEvents();
        glFinish();
        if (separated && swap) swap->ms.push_back(millisecondsSince(mark));
        if (whole) whole->ms.push_back(millisecondsSince(start));
    };

    for (int i = 0; i < 20; ++i) {
        frame(true, nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    Series update{"update", {}}, capture{"environment capture", {}}, scene{"frame pass", {}},
        swap{"swap", {}}, separatedWhole{"whole (separated)", {}}, pipelined{"whole (pipelined)", {}};
    for (int i = 0; i < frames; ++i) {
        frame(true, &update, &capture, &scene, &swap, &separatedWhole);
    }
    for (int i = 0; i < frames; ++i) {
        frame(false, nullptr, nullptr, nullptr, nullptr, &pipelined);
    }

    std::cout.rdbuf(console);
    reportFaultLines(transcript.str());
    const char* threads = std::getenv("LP_NUM_THREADS");
    std::printf("%dx%d, 4x MSAA, %d frames, rasterizer threads: %s, renderer: %s\n", width, height, frames,
                threads ? threads : "default", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    for (const Series* series : {&update, &capture, &scene, &swap, &separatedWhole, &pipelined}) {
        printSeries(*series);
    }
    std::printf("  => about %.1f frames per second (pipelined median)\n", 1000.0 / pipelined.quantile(0.5));
    std::fflush(stdout);

    // Shutdown in the game's order; the transcript of it is dropped.
    std::cout.rdbuf(transcript.rdbuf());
    shutdownGame(programs, particles, level);
    std::cout.rdbuf(console);
    return 0;
}

int runChild(const char* self, int width, int height, int frames) {
    const std::string w = std::to_string(width), h = std::to_string(height), n = std::to_string(frames);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }
    if (pid == 0) {
        execl(self, self, w.c_str(), h.c_str(), n.c_str(), static_cast<char*>(nullptr));
        std::perror("exec");
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int positiveArgument(const char* text, const char* what) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0 || value > 100000) {
        std::fprintf(stderr, "frame_bench: %s must be a positive whole number, not '%s'\n", what, text);
        std::exit(2);
    }
    return static_cast<int>(value);
}

}  // namespace

int main(int argc, char** argv) {
    enterExecutableDirectory();
    if (argc >= 3) {
        const int frames = argc >= 4 ? positiveArgument(argv[3], "the frame count") : 200;
        return runOneSize(positiveArgument(argv[1], "the width"), positiveArgument(argv[2], "the height"), frames);
    }
    const int frames = argc == 2 ? positiveArgument(argv[1], "the frame count") : 200;
    int result = 0;
    for (const auto& size : {std::array<int, 2>{640, 360}, std::array<int, 2>{1280, 720}}) {
        result |= runChild("/proc/self/exe", size[0], size[1], frames);
    }
    return result;
}
