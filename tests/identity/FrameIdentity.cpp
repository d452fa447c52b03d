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

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>

#include "ScriptedGame.h"
#include "game/SunVisibility.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"

namespace {

constexpr int width = 480;
constexpr int height = 270;

bool tracing() {
    const char* trace = std::getenv("FRAME_IDENTITY_TRACE");
    return trace && *trace && std::string(trace) != "0";
}

// Drives the running game and writes the named frames.
class Script {
public:
    Script(scripted::Game& game, std::string directory) : game_(game), directory_(std::move(directory)) {}

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

    void press(int key) { game_.press(key); }
    void release(int key) { game_.release(key); }
    void moveCursor(double dx, double dy) { game_.moveCursor(dx, dy); }
    void jumpCalendar(std::time_t seconds) { game_.jumpCalendar(seconds); }

    // Writes the frame the last pass drew as NAME.ppm; `shows` says whether the game is in the
    // state the name promises.
    void shot(const std::string& name, bool shows, const char* what) {
        if (!shows) {
            std::printf("frame_identity: frame '%s' does not show %s\n", name.c_str(), what);
            ++failures_;
        }
        scripted::writePpm(directory_ + "/" + name + ".ppm", game_.readBackBuffer());
        std::ofstream(directory_ + "/frames.txt", std::ios::app) << name << '\n';
    }

    int failures() const { return failures_; }

private:
    void pass() {
        if (!game_.pass()) {
            std::printf("frame_identity: the frame gate held pass %d back\n", game_.passes());
            ++failures_;
        }
        if (tracing()) {
            const Player& p = *Player::getInstance();
            const GameState& s = *GameState::getInstance();
            std::printf("pass %4d  pos (%.2f %.2f %.2f) yaw %.1f inAir %d  textTicks %d  intro %d ending %d  "
                        "over %d  flare %d sun %d  blend %.2f fall %.2f/%.2f  elapsed %.0f\n",
                        game_.passes(), p.position.x, p.position.y, p.position.z, p.yaw, p.inAir, s.textTicks,
                        introActive, introEnding, gameOver, flareVisible, isSunVisible(), blendFactor,
                        fallOverlayFade, fallFade, s.elapsed);
        }
    }

    scripted::Game& game_;
    std::string directory_;
    int failures_ = 0;
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
    script.moveCursor(40.0, -60.0);
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
    script.jumpCalendar(static_cast<std::time_t>(state.timeLimit) + 10);
    script.passUntil([] { return gameOver; }, 10, "out of time");
    script.passes(125);
    script.shot("end-timeout", lostByTime && !lostByFall && !escaped, "the end screen of a time-out");
}

int runGroup(const std::string& directory, const std::string& group) {
    scripted::Options options;
    options.width = width;
    options.height = height;
    options.skipIntro = group == "run";
    scripted::Game game;
    if (!game.start(options)) {
        std::printf("frame_identity: the game could not start:\n%s", game.transcript().c_str());
        return 1;
    }
    Script script(game, directory);
    if (group == "title") {
        titleGroup(script);
    } else {
        runGroup(script);
    }
    game.shutdown();

    std::istringstream lines(game.transcript());
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
    scripted::enterExecutableDirectory();
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
