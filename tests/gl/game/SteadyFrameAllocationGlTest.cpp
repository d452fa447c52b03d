// Steady play makes no heap allocation from frame to frame: passes of the frame loop on the
// game's real scene (fixed step, physics, animation, environment capture, frame pass, HUD),
// standing, walking and with the frames-per-second counter shown, with every operator new of the process counted, the physics
// workers' included. This program replaces the global operator new for that count, so it runs
// apart from the other frame tests.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "GameScene.h"
#include "game/FixedStep.h"
#include "game/GameContext.h"
#include "game/GameLoop.h"
#include "game/SoundManager.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* allocate(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
    if (void* p = std::malloc(size != 0 ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using gamescene::now;

class SteadyFrames : public gamescene::GameSceneTest {
protected:
    // Heap allocations during `passes` passes of the loop, each with a fixed step, after as
    // many passes of the same kind to warm up (the driver builds its shader variants on first
    // use).
    long allocationsOver(int passes) {
        GameContext& game = context();
        GameState& state = *game.gameState;
        auto pass = [&] {
            now += std::max(state.frameInterval, fixedStepSeconds) + 1e-6;
            EXPECT_TRUE(runFramePass(game));
        };
        for (int i = 0; i < passes; ++i) {
            pass();
        }
        allocations = 0;
        counting = true;
        for (int i = 0; i < passes; ++i) {
            pass();
        }
        counting = false;
        return allocations;
    }
};

TEST_F(SteadyFrames, StandingAndWalkingAllocateNothing) {
    // The test's sound engine logs every call into strings; the game's own engine allocates
    // only when a sound starts, which is no per-frame cost.
    SoundManager* sound = context().soundManager;
    context().soundManager = nullptr;
    context().gameState->startTimer();

    EXPECT_EQ(allocationsOver(10), 0) << "standing";
    context().player->moveForward = true;
    EXPECT_EQ(allocationsOver(10), 0) << "walking";
    EXPECT_LT(context().player->position.z, 16.5f - 1.0f) << "the thief did not walk";
    EXPECT_FALSE(context().player->inAir) << "the thief left the ground";

    context().player->moveForward = false;
    // With the frames-per-second counter shown (F5) too.
    showFPS = true;
    EXPECT_EQ(allocationsOver(10), 0) << "with the frames-per-second counter";
    showFPS = false;
    context().soundManager = sound;
}

}  // namespace
