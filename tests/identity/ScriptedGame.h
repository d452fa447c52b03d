#pragma once
// The real game, started as main starts it, driven pass by pass through its own frame loop with
// everything that would vary between runs fixed: the clock is scripted (every pass a fixed time
// later), both particle random sources are seeded, the cursor is scripted and keys go straight
// to the game's key callback. Runs with LP_NUM_THREADS fixed, the same pixels come out every
// time. One game per process: the game's singletons are made once.
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "game/Startup.h"
#include "state/Level.h"

struct GameContext;
struct GLFWwindow;

namespace scripted {

struct Options {
    int width = 480;
    int height = 270;
    // 60: a monitor of at most 60 Hz (updateTick every frame); 80: a faster one, where a frame
    // without a fixed step comes after every three with one.
    int framesPerSecond = 60;
    bool skipIntro = true;  // the loading screen instead of the title
    bool presentationMode = false;
    int captureFaceSize = 512;  // the environment map's face edge
};

// An image of the window, rows bottom to top, three bytes a pixel.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

class Game {
public:
    // Starts the game; false (with the console's transcript in `transcript`) when it cannot.
    bool start(const Options& options);
    // One pass of the frame loop, the clock moved on by one frame interval (a little more, so
    // the gate always opens). False when the gate held it back.
    bool pass();
    void shutdown();

    // Keys go to the game's key callback at once: everything given between two passes arrives
    // as within one poll of events.
    void press(int key);
    void release(int key);
    void tap(int key);
    void moveCursor(double dx, double dy);
    // The window asks for its contents again (the window system's refresh callback).
    void expose();
    // The calendar jumps (the time-out needs a run longer than the limit).
    void jumpCalendar(std::time_t seconds);

    // The window's back buffer, multisampling resolved, at the framebuffer's size.
    Image readBackBuffer();

    GLFWwindow* window() const { return window_; }
    GameContext& context() const { return *context_; }
    int passes() const { return passCount_; }
    const std::string& transcript() const { return transcript_; }

private:
    GLFWwindow* window_ = nullptr;
    GameContext* context_ = nullptr;
    ShaderPrograms programs_;
    ParticleSystems particles_;
    std::unique_ptr<Level> level_;
    double passSeconds_ = 0.0;
    int passCount_ = 0;
    std::string transcript_;
    unsigned int framebuffer_ = 0;
    unsigned int colorBuffer_ = 0;
    int bufferWidth_ = 0;
    int bufferHeight_ = 0;
};

// The game opens its assets as "../assets/...": the directory it was built in.
void enterExecutableDirectory();

// Writes an image as a binary PPM (rows top to bottom).
void writePpm(const std::string& path, const Image& image);

}  // namespace scripted
