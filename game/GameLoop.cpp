#include "game/GameLoop.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "game/FixedStep.h"
#include "game/GameContext.h"
#include "game/Rules.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "game/Screens.h"
#include "state/Settings.h"
#include "game/SoundManager.h"
#include "game/SunVisibility.h"
#include "platform/gl/GL.h"
#include "platform/system/Clock.h"
#include "renderer/Blur.h"
#include "renderer/EnvironmentCapture.h"
#include "game/FramePass.h"
#include "renderer/DirectionalLight.h"
#include "renderer/RendererState.h"
#include "renderer/LensFlare.h"
#include "renderer/LevelMeshes.h"
#include "renderer/ModelPasses.h"
#include "renderer/ParticleSystem.h"
#include "renderer/PlayerModel.h"
#include "renderer/Skybox.h"

namespace {

SwapBuffersHook swapBuffersHook = glfwSwapBuffers;

// One wait of the closed frame gate; the loop tests the close flag and the gate again after it.
// A sleep wakes late (here nanosleep overshoots by 0.07 ms typically, 0.15 ms at the 90th
// percentile), so each sleep stops short of the deadline by more than that: a long one to
// half a millisecond before it, a short one to a fifth of a millisecond before it, and the
// last stretch is waited out yielding the processor. The thread is on the core for about a
// tenth of a millisecond per frame, and the gate still opens on time.
void waitForFrameGate(double deadline) {
    constexpr double longSleepMargin = 0.0005;
    constexpr double shortSleepMargin = 0.0002;
    const double remaining = deadline - clockSeconds();
    if (remaining > longSleepMargin) {
        std::this_thread::sleep_for(std::chrono::duration<double>(remaining - longSleepMargin));
    } else if (remaining > shortSleepMargin + 0.00005) {
        std::this_thread::sleep_for(std::chrono::duration<double>(remaining - shortSleepMargin));
    } else if (remaining > 0.0) {
        std::this_thread::yield();
    }
}

// The capture after a fixed step: recorded now, its faces drawn when a frame can show them
// (drawn in full, all of them at once).
void captureEnvironment(GameContext& context) {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_MULTISAMPLE);
    EnvironmentMap& map = *context.environmentMap;
    recordEnvironmentCapture(map, context.textureShader, gammaVector);
    if (drawEveryPassInFull) {
        drawEnvironmentFaces(map, allEnvironmentFaces);
        // Every face is whole in the target it was drawn into: the mirror samples that, as it
        // would without the copy.
        envCubemapTexture = map.drawTarget.id;
    } else {
        envCubemapTexture = map.cubeMap.id;
    }
    physicsTicked = false;
}

// The viewport spans the window's whole framebuffer, so what covers the viewport covers every
// pixel a clear would write.
bool viewportIsWholeWindow(GameContext& context) {
    if (!context.gameWindow) {
        return false;
    }
    int width = 0, height = 0;
    glfwGetFramebufferSize(context.gameWindow, &width, &height);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    return viewport[0] == 0 && viewport[1] == 0 && viewport[2] == width && viewport[3] == height;
}

void drawBothParticleSystems(GameContext& context) {
    if (context.fireParticles) context.fireParticles->updateAndDraw(blendFactor);
    if (context.smokeParticles) context.smokeParticles->updateAndDraw(blendFactor);
}

// Under the intro and end screens nothing of the world is seen, so the particles only move
// (and fill the pool before the game starts).
void advanceBothParticleSystems(GameContext& context) {
    if (context.fireParticles) context.fireParticles->advance();
    if (context.smokeParticles) context.smokeParticles->advance();
    // The screens' images bind their texture on the active unit and sample unit 0; the particle
    // draw used to leave unit 0 active after the capture's model draws.
    glActiveTexture(GL_TEXTURE0);
}

// The pause sound fade: 0.5 s from 0 to 1 entering the pause, from 1 to 0 leaving it.
void applyPauseSoundFade(GameContext& context) {
    if (!fadeIn && !fadeOut) {
        return;
    }
    double t = clockSeconds() - context.gameState->fadeStart;
    if (t != 0.0) {
        t = static_cast<double>(static_cast<float>(2.0 * t));
    }
    if (fadeOut) {
        t = 1.0 - t;
    }
    if (t >= 1.0) {
        t = 1.0;
        fadeIn = fadeOut = false;
    } else if (t <= 0.0) {
        t = 0.0;
        fadeIn = fadeOut = false;
    }
    SoundManager* sound = context.soundManager;
    if (!sound) {
        return;
    }
    sound->pauseFade = static_cast<float>(t);
    sound->applyPauseEffect(sound->sounds[SoundManager::Bgm]);
    sound->applyPauseEffect(sound->sounds[SoundManager::Fire]);
    sound->applyPauseEffect(sound->sounds[SoundManager::BattleAmbience]);
    sound->applyPauseEffect(sound->sounds[SoundManager::InfoPoint]);
}

// The game frame without its GUI, drawn once before the pause snapshot is taken.
void drawCleanFrameBeforePause(GameContext& context) {
    drawMirrorFacesInView(context);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawScene(context);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_MULTISAMPLE);
    updateSunScreenPosition();
    context.lensFlare->render(blendFactor, flareVisible && isSunVisible());
    swapBuffersHook(context.gameWindow);
    pauseRequested = false;
}

// False when the pass has nothing new to show: the picture never changes while the pause lasts,
// so once it is on screen it stays there until the window is exposed or changes size.
bool drawPausePicture(GameContext& context) {
    GameState& state = *context.gameState;
    if (!clockPaused) {
        if (!pauseSnapshotTaken) {
            glBindTexture(GL_TEXTURE_2D, context.pauseSnapshot);
            glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
            glReadBuffer(GL_BACK);
            glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, currentWidth, currentHeight, 0);
            glBindTexture(GL_TEXTURE_2D, 0);
            pauseSnapshotTaken = true;
            // Blurred in place: the snapshot keeps its texture name.
            context.blur->apply(context.pauseSnapshot);
            fadeIn = true;
        }
        state.pauseStart = state.fadeStart = clockSeconds();
        clockPaused = true;
        return true;
    }
    if (pausePictureShown && !drawEveryPassInFull) {
        return false;
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_MULTISAMPLE);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // The picture clears with the colour the last pass left and then sets it to black: where
    // the clear shows (the quads as outlines, F1), the first picture may differ from the ones
    // after it, which are all alike. (Only the colour is seen: nothing blends with the alpha of
    // the window.)
    GLfloat clearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    const bool clearedAsEveryLaterPicture = clearColor[0] == 0.0f && clearColor[1] == 0.0f && clearColor[2] == 0.0f;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    context.sceneTextureShader->use();
    glBindTexture(GL_TEXTURE_2D, context.pauseSnapshot);
    glBindVertexArray(context.quadVao);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    glUseProgram(0);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    context.overlay->pause.draw(1.0f);
    pausePictureShown = clearedAsEveryLaterPicture;
    return true;
}

void runParticleWarmup(GameContext& context) {
    GameState& state = *context.gameState;
    while (state.warmupActive) {
        state.particleDt = 0.2;
        drawBothParticleSystems(context);
        measureFrameTime(state);
        if (state.warmupCountdown > 0) {
            state.warmupCountdown -= 1;
            if (state.warmupCountdown == 0) {
                state.warmupActive = false;
            }
        } else {
            state.warmupActive = false;
        }
    }
}

// The steps that run on the frame in which the intro cleared introActive, and on every frame of
// an end screen.
void endIntroState(GameContext& context) {
    PlayerModel& model = *context.playerModel;
    model.resetToIdle();
    introEnding = true;
    for (int i = 0; i < 100; ++i) {
        glfwPollEvents();
    }
    context.gameState->elapsed = 0.0;
    context.gameState->startTimer();
}

void updateClock(GameState& state) {
    if (gameOver) {
        return;
    }
    state.now = clockCalendarNow();
    state.elapsed = static_cast<double>(state.now - state.startTime);
}

}  // namespace

void windowRefreshCallback(GLFWwindow*) { pausePictureShown = false; }

void framebufferSizeCallback(GLFWwindow*, int width, int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    if (width != currentWidth || height != currentHeight) {
        currentWidth = width;
        currentHeight = height;
        // The pause picture is drawn again over the whole of the new size.
        pausePictureShown = false;
    }
    // Every pass draws into the viewport as it stands; the capture puts it back to this size too.
    glViewport(0, 0, currentWidth, currentHeight);
}

void setSwapBuffersHook(SwapBuffersHook hook) { swapBuffersHook = hook ? hook : glfwSwapBuffers; }

float fallFadeForHeight(float y) {
    if (y > -11.4f) {
        return 0.0f;
    }
    if (y > -24.0f) {
        // At exactly -11.4 the single-precision formula lands a hair below 0.
        return std::max(0.0f, ((y + 5.0f) + 6.4f) / ((-24.0f + 6.4f) + 5.0f));
    }
    return 1.0f;
}

float fallOverlayFadeForHeight(float y) {
    const FadeTimings& fades = *FadeTimings::getInstance();
    if (y > fades.fallOverlayTop) {
        return 0.0f;
    }
    if (y > fades.fallOverlayBottom) {
        return (y - fades.fallOverlayTop) / (fades.fallOverlayBottom - fades.fallOverlayTop);
    }
    return 1.0f;
}

float escapeFadeForTicks(int c) {
    if (c <= 90) {
        return 0.0f;
    }
    if (c < 290) {
        return static_cast<float>(c - 90) / 200.0f;
    }
    return 1.0f;
}

float blendFactorForDistance(float d) {
    if (d <= 3.0f) {
        return 1.0f;
    }
    if (d >= 10.0f) {
        return 0.0f;
    }
    const float t = (d - 3.0f) / 7.0f;
    return 1.0f - (3.0f - 2.0f * t) * t * t;
}

void updateGame(GameContext& context) {
    GameState& state = *context.gameState;
    Player& player = *context.player;
    advanceFixedStep(state, player, *context.camera, context.gameWindow);

    // The frame's clear is issued by the pass, after the environment capture (see runFramePass).
    const float y = player.position.y;
    fallFade = fallFadeForHeight(y);
    fallOverlayFade = fallOverlayFadeForHeight(y);
    context.fadeTimings->update();
    escapeFade = escapeFadeForTicks(state.endScreenTicks);
    blendFactor = blendFactorForDistance(glm::length(player.position));
    dirL.color = blendFactor * glm::vec3(0.298f, 0.631f, 0.843f) + (1.0f - blendFactor) * defaultLightColor;
    // Not during the intro: its time does not count (the clock starts again when it ends).
    if (!introActive && state.elapsed > state.timeLimit - 11.0 && !lostByTime) {
        clockTicking = true;
    }
    if (SoundManager* sound = context.soundManager) {
        sound->update(y);
        if (sound->engine) {
            sound->engine->setSoundVolume(muted ? 0.0f : sound->masterVolume);
        }
    }
}

bool runFramePass(GameContext& context) {
    GameState& state = *context.gameState;

    // Frame gate.
    state.frameDelta = clockSeconds() - state.lastFrame;
    if (state.frameDelta < state.frameInterval) {
        waitForFrameGate(state.lastFrame + state.frameInterval);
        return false;
    }
    if (lowRefreshMonitor) {
        updateTick = true;
    }
    state.lastFrame = clockSeconds();

    applyPauseSoundFade(context);
    bool present = true;

    if (restartRequested) {
        restartRequested = false;
        state.resumeAfterPause(context);
        resetGame();
    }

    bool pausePictureDrawn = false;
    if (pauseRequested) {
        drawCleanFrameBeforePause(context);
    } else if (paused) {
        const bool picturePass = clockPaused;  // else the pass takes the snapshot
        present = drawPausePicture(context);
        pausePictureDrawn = picturePass && present;
    } else {
        pauseSnapshotTaken = false;
        state.resumeAfterPause(context);

        runParticleWarmup(context);

        updateGame(context);
        const bool closing = glfwWindowShouldClose(context.gameWindow);
        if (physicsTicked) {
            captureEnvironment(context);
        }
        const bool screenOnly = (gameOver || introActive) && !closing;
        if (closing) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // and nothing is drawn
        }

        if (screenOnly) {
            glDisable(GL_DEPTH_TEST);
            glDisable(GL_MULTISAMPLE);
            if (drawEveryPassInFull) {
                // The particles are drawn and then cleared away.
                drawBothParticleSystems(context);
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            } else {
                if (gameOver || !introScreenCoversViewport(context) || !viewportIsWholeWindow(context)) {
                    // The screens draw without the depth test, and every frame that does use
                    // depth clears it first. A picture that replaces every pixel needs no clear.
                    glClear(GL_COLOR_BUFFER_BIT);
                }
                // The particles only move here and draw nothing, so the clear still holds.
                advanceBothParticleSystems(context);
            }
            if (gameOver) {
                renderEndScreen(context);
            } else {
                renderIntroScreen(context);
            }
            if (!introActive) {
                endIntroState(context);
            }
        } else {
            // The frame clears the window itself, after the mirror's faces (renderFrame).
            renderFrame(context);
        }
        updateClock(state);
    }

    if (present || drawEveryPassInFull) {
        swapBuffersHook(context.gameWindow);
        // Whatever else was presented has replaced the pause picture.
        if (!pausePictureDrawn) {
            pausePictureShown = false;
        }
    }
    glfwPollEvents();
    return true;
}
