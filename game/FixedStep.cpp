#include "game/FixedStep.h"

#include "game/Rules.h"
#include "platform/system/Clock.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"

void measureFrameTime(GameState& state) {
    const double now = clockSeconds();
    state.delta = now - state.lastTime;
    state.lastTime = now;
    state.frameCount += 1;
    const float tickSeconds = static_cast<float>(clockTickMs()) * 0.001f;
    const double s = static_cast<double>(tickSeconds);
    state.fpsWindowNow = s;
    if (s - state.fpsWindowStart > 1.0) {
        state.fps = state.frameCount;
        state.frameCount = 0;
        state.fpsWindowStart = s;
    }
}

void advanceFixedStep(GameState& state, Player& player, Camera& camera, GLFWwindow* window) {
    updateTick = false;
    measureFrameTime(state);

    state.accumulator += state.delta;
    state.framesSinceStep += 1;
    if (state.accumulator >= fixedStepSeconds) {
        updateTick = true;
        physicsTicked = true;
        state.particleDt = clockSeconds() - state.lastStepTime;
        state.lastStepTime = clockSeconds();
        state.accumulator -= fixedStepSeconds;
    }

    if (updateTick) {
        if (state.statusTicks < 440) state.statusTicks += 1;
        if (state.textTicks < 1850) state.textTicks += 1;
        if (state.jumpTicks < 1000000) state.jumpTicks += 1;
        checkGameRules();
        if (!gameOver) {
            player.update(static_cast<float>(static_cast<double>(state.framesSinceStep) * state.delta));
            if (!gameOver) {
                camera.update(window);
            }
        }
        stepPhysics();
        state.framesSinceStep = 0;
    }
}
