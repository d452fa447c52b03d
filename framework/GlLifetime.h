#pragma once
#include <cstdint>
#include <functional>

// Whether an OpenGL context is current and may still take calls. Objects that own OpenGL
// names check it in their destructors: once shutdown has cleared it (right before
// glfwTerminate), a destructor that runs later, for example a function-local singleton's
// after main has returned, makes no OpenGL call at all.
//
// initFramework sets it and destroyFramework, the last step before glfwTerminate, clears it.
// Shutdown releases every object's names while it is set.
bool glContextAlive();
void setGlContextAlive(bool alive);

// The release list. Every long-lived owner of OpenGL names (a singleton, an object start-up
// makes for main) adds its release step when it is made; destroyFramework runs the steps
// newest first, so names go back in the reverse order of their owners' creation, before the
// framework's own and before glfwTerminate.

// A step that stays in the list until the list is run. It must be safe to call whenever that
// happens: it may reach only objects that live to the end of the process (singletons, globals)
// or hold weak references.
void addGlRelease(std::function<void()> release);

// A step tied to its owner: held as a member (or a static beside a singleton), it leaves the
// list when the owner is destroyed first, so the list never calls into a dead object.
class GlReleaseEntry {
public:
    explicit GlReleaseEntry(std::function<void()> release);
    ~GlReleaseEntry();

    GlReleaseEntry(const GlReleaseEntry&) = delete;
    GlReleaseEntry& operator=(const GlReleaseEntry&) = delete;

private:
    std::uint64_t id_;
};

// Runs every step, newest first, and empties the list. A step added while the list runs is
// run too, before the older ones.
void releaseGlObjects();
