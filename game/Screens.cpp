#include "game/Screens.h"

#include "platform/gl/GL.h"

#include <GLFW/glfw3.h>

#include "framework/Shader.h"
#include "game/GameContext.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "game/KeyBindings.h"
#include "state/Settings.h"
#include "game/SoundManager.h"
#include "renderer/GuiImage.h"
#include "renderer/TextRenderer.h"

namespace {

using screenText::blendColor;
using screenText::centredX;

constexpr int statusShownTicks = 300;

// The HUD's placement of one glyph quad: six vertices of (x, y, u, v).
constexpr GLsizeiptr glyphQuadBytes = 6 * 4 * sizeof(float);

// The ambience handles exist once an intro screen has asked for the loops; until then (or
// without a sound manager at all) there is nothing to set.
void setHandleVolume(const audio::SoundHandle& sound, float volume) {
    if (sound) {
        sound->setVolume(volume);
    }
}

void makeGlyphQuad(TextRenderer& text) {
    text.vao = GlVertexArray::generate();
    text.vbo = GlBuffer::generate();
    glBindVertexArray(text.vao);
    glBindBuffer(GL_ARRAY_BUFFER, text.vbo);
    glBufferData(GL_ARRAY_BUFFER, glyphQuadBytes, nullptr, GL_DYNAMIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
}

int artifactsStillPresent() {
    int present = 0;
    for (bool p : artifactPresent) {
        present += p ? 1 : 0;
    }
    return present;
}

void setLoopVolumes(SoundManager* sound, float factor) {
    if (sound) {
        sound->setBgmVolume(factor);
        sound->setFireVolume(factor);
        sound->setBattleAmbienceVolume(factor);
    }
}

bool narOutroPlaying(const SoundManager& sound) {
    const auto& handle = sound.sounds[SoundManager::NarOutro];
    return handle && sound.engine && sound.engine->isCurrentlyPlaying(sound.sources[SoundManager::NarOutro]);
}

}  // namespace

void renderHud(GameContext& context) {
    if (!context.textRenderer) {
        return;
    }
    TextRenderer& text = *context.textRenderer;
    GameState& state = *context.gameState;
    if (context.textShader) {
        context.textShader->use();
    }
    if (text.vao == 0) {
        makeGlyphQuad(text);
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_MULTISAMPLE);

    if (state.statusTicks < statusShownTicks) {
        statusMessageTimer = screenText::statusAlpha(state.statusTicks);
        drawTwoLineMessage(text, screenText::statusText(statusMessage, artifactsStillPresent()),
                           statusMessageTimer);
    }

    const float b = blendFactor;
    if (b > 0.0f) {
        drawIntroText(text, b);
        if (SoundManager* sound = context.soundManager) {
            setHandleVolume(sound->sounds[SoundManager::InfoPoint], b * sound->infoPointVolume);
            setHandleVolume(sound->sounds[SoundManager::Bgm], (1.0f - b / 1.75f) * sound->bgmVolume);
            setHandleVolume(sound->sounds[SoundManager::Fire], (1.0f - b / 3.0f) * sound->fireVolume);
            setHandleVolume(sound->sounds[SoundManager::BattleAmbience],
                            (1.0f - b / 3.0f) * sound->battleAmbienceVolume);
        }
    }

    if (!hideTimer) {
        drawTimeLeft(text, screenText::remainingTimeText(state.timeLimit - state.elapsed), blendFactor);
    }

    if (showFPS) {
        const float w = static_cast<float>(windowWidth);
        const float h = static_cast<float>(windowHeight);
        static std::string line;  // kept from frame to frame for its storage
        screenText::writeFpsLine(state.fps, line);
        text.renderText(line, w / 60.0f, h - h / 22.0f, 0.5f, text.orangeColor, 1.0f);
    }
}

void drawTwoLineMessage(TextRenderer& text, const std::string& message, float alpha) {
    const auto [first, second] = screenText::splitAtFirstColon(message);
    const float x1 = centredX(windowWidth, text.textWidth(first, 1.2f));
    const float x2 = centredX(windowWidth, text.textWidth(second, 0.8f));
    const float y1 = static_cast<float>(windowHeight - windowHeight / 5);
    const float y2 = static_cast<float>(windowHeight - windowHeight / 5 - windowHeight / 16);
    text.renderText(first, x1, y1, 1.2f, text.orangeColor, alpha);
    text.renderText(second, x2, y2, 0.8f, text.whiteColor, alpha / 3.0f * 2.0f);
}

void drawIntroText(TextRenderer& text, float alpha) {
    // Made once: the hint is a C string, and a string made from it per call is a heap block
    // for every frame the text shows.
    static const std::string hint(screenText::controlsHint);
    const float quoteWidth = text.textWidth(screenText::introQuote, 0.8f);
    const float hintWidth = text.textWidth(hint, 0.7f);
    const glm::vec3 color = blendColor(text.whiteColor, text.blueColor, alpha);
    const int h = windowHeight;
    const float quoteY = static_cast<float>(h - 2 * (h / 16));
    const float hintY = static_cast<float>(h) - (static_cast<float>(h / 16) * 11.7f + static_cast<float>(h / 5));
    text.renderText(screenText::introQuote, centredX(windowWidth, quoteWidth), quoteY, 0.8f, color, alpha);
    text.renderText(hint, centredX(windowWidth, hintWidth), hintY, 0.7f, color, alpha);
}

void drawTimeLeft(TextRenderer& text, const std::string& remaining, float blend) {
    const glm::vec3 color = blendColor(text.orangeColor, text.blueColor, blend);
    static std::string line;  // kept from frame to frame for its storage
    screenText::writeTimeLeftLine(remaining, line);
    text.renderText(line, static_cast<float>(windowWidth / 17),
                    static_cast<float>(windowHeight) / 15.5f, 1.0f, color, 1.0f);
}

bool introScreenEndsNow(const GameState& state, const FadeTimings& fades) {
    if (loadingScreen) {
        return state.textTicks >= fades.shortFadeOutStart;
    }
    return !introDone && state.textTicks > fades.titleFadeOutStart;
}

bool introScreenCoversViewport(const GameContext& context) {
    const Overlay& overlay = *context.overlay;
    if (loadingScreen) {
        return overlay.loading.coversViewport(textFadeAlpha);
    }
    return !introDone && overlay.title.coversViewport(textFadeAlpha);
}

void renderIntroScreen(GameContext& context) {
    if (context.gameWindow) {
        glfwSetKeyCallback(context.gameWindow, keyCallback);
    }
    const GameState& state = *context.gameState;
    const FadeTimings& fades = *context.fadeTimings;
    Overlay& overlay = *context.overlay;
    SoundManager* sound = context.soundManager;

    if (loadingScreen) {
        if (!introSoundRequested) {
            ambiencePending = true;
        }
        introSoundRequested = true;
        // A restart after an escape silences the outro narration.
        if (sound && narOutroPlaying(*sound)) {
            sound->sounds[SoundManager::NarOutro]->stop();
        }
        introLoopFactor = textFadeAlpha * 0.5f + 0.5f;
        setLoopVolumes(sound, introLoopFactor);
        glClearColor(0.149f, 0.333f, 0.459f, 1.0f);
        drawScreenImage(overlay.loading, textFadeAlpha);
        if (introScreenEndsNow(state, fades)) {
            introActive = false;
        }
        return;
    }

    if (introDone) {
        return;
    }
    if (!introSoundRequested) {
        titleSoundPending = true;
    }
    introSoundRequested = true;
    setLoopVolumes(sound, introLoopFactor);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    drawScreenImage(overlay.title, textFadeAlpha);
    if (introScreenEndsNow(state, fades)) {
        introActive = false;
    }
}

void renderEndScreen(GameContext& context) {
    Overlay& overlay = *context.overlay;
    if (lostByFall) {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        drawScreenImage(overlay.red, fallOverlayFade);
        drawScreenImage(overlay.failed, fallFade);
    } else if (escaped) {
        // Rendered frames, not ticks: the frame update turns them into escapeFade.
        context.gameState->endScreenTicks += 1;
        glClearColor(0.0f, 0.525f, 0.18f, 1.0f);
        drawScreenImage(overlay.success, escapeFade);
        // The loops sink to half volume as the success image fades in.
        setLoopVolumes(context.soundManager, (1.0f - escapeFade) * 0.5f + 0.5f);
    } else if (lostByTime) {
        timeoutFade = screenText::timeoutAlpha(context.gameState->textTicks);
        glClearColor(0.678f, 0.071f, 0.0f, 1.0f);
        drawScreenImage(overlay.failed, timeoutFade);
    }
}

void drawScreenImage(GuiImage& image, float alpha) {
    if (alpha != 0.0f || drawEveryPassInFull) {
        image.draw(alpha);
    }
}

void renderLoadingOverlay(Overlay& overlay) {
    glClearColor(0.149f, 0.333f, 0.459f, 1.0f);
    drawScreenImage(overlay.loading, textFadeAlpha);
}
