// The game frame as renderFrame leaves it: the OpenGL state and the tick it hands on, the timer
// panel and the mute mark by their switches, the overlays of a fall and the intro's closing fade.
#include <GLFW/glfw3.h>

#include <vector>

#include "GameScene.h"
#include "game/GameContext.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "game/SoundManager.h"
#include "game/FramePass.h"
#include "renderer/GuiImage.h"

namespace {

using gamescene::difference;
using gamescene::height;
using gamescene::width;
using testgl::Pixels;

class FramePass : public gamescene::GameSceneTest {
protected:
    // One game frame on a cleared window, as the frame loop draws it.
    Pixels gameFrame() {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderFrame(context());
        return read();
    }

    // A game frame with nothing over it (no fade, no overlay), then `image` drawn on top at `alpha`.
    Pixels plainFrameUnder(GuiImage& image, float alpha) {
        const bool ending = introEnding;
        const float overlayFade = fallOverlayFade, fade = fallFade;
        introEnding = false;
        fallOverlayFade = fallFade = 0.0f;
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderFrame(context());
        image.draw(alpha);
        introEnding = ending;
        fallOverlayFade = overlayFade;
        fallFade = fade;
        return read();
    }
};

TEST_F(FramePass, LeavesDepthTestAndMultisamplingOffAndTheTickServed) {
    updateTick = true;
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_MULTISAMPLE);
    gameFrame();
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_MULTISAMPLE));
    EXPECT_FALSE(updateTick);

    // A closing window gets no frame, and the tick stays for whoever runs next.
    glfwSetWindowShouldClose(window(), GLFW_TRUE);
    updateTick = true;
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderFrame(context());
    const Pixels closing = read();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    EXPECT_EQ(difference(closing, read(), 0).count, 0);
    EXPECT_TRUE(updateTick);
}

TEST_F(FramePass, TimerPanelAndMuteMarkFollowTheirSwitches) {
    // Without HUD text: the time line lies on the panel and comes and goes with it.
    TextRenderer* text = context().textRenderer;
    context().textRenderer = nullptr;
    hideTimer = true;
    const Pixels bare = gameFrame();
    hideTimer = false;
    const Pixels withPanel = gameFrame();
    hideTimer = true;
    muted = true;
    const Pixels withMute = gameFrame();
    context().textRenderer = text;

    // The panel: a quarter of the width and a twelfth of the height, a thirtieth in from the
    // lower-left corner.
    const gamescene::Difference panel = difference(withPanel, bare);
    EXPECT_GE(panel.box.x0, width / 30 - 1);
    EXPECT_LE(panel.box.x1, width / 30 + width / 4 + 1);
    EXPECT_GE(panel.box.y0, height / 30 - 1);
    EXPECT_LE(panel.box.y1, height / 30 + height / 12 + 1);
    EXPECT_GT(panel.count, (width / 4) * (height / 12) / 2);

    // The mute mark: a small speaker near the upper-right corner, nothing elsewhere.
    const gamescene::Difference mark = difference(withMute, bare);
    EXPECT_GT(mark.count, 30);
    EXPECT_GE(mark.box.x0, width * 3 / 4);
    EXPECT_GE(mark.box.y0, height * 3 / 4);
}

TEST_F(FramePass, FallOverlaysShowAtTheirOwnFades) {
    Overlay& overlay = *context().overlay;
    const Pixels plain = gameFrame();

    fallOverlayFade = 0.3f;
    const Pixels veiled = gameFrame();
    // The next frame is cleared to transparent black.
    GLfloat clear[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(std::vector<GLfloat>(clear, clear + 4), std::vector<GLfloat>(4, 0.0f));
    EXPECT_EQ(difference(veiled, plainFrameUnder(overlay.red, 0.3f)).count, 0);
    EXPECT_GT(difference(veiled, plain).count, width * height / 10);

    fallOverlayFade = 0.0f;
    fallFade = 0.6f;
    const Pixels failing = gameFrame();
    EXPECT_EQ(difference(failing, plainFrameUnder(overlay.failed, 0.6f)).count, 0);
    EXPECT_GT(difference(failing, plain).count, width * height / 10);
}

TEST_F(FramePass, IntroClosingFadeEndsAt240TicksAfterTheLoadingScreenAnd1850AfterTheTitle) {
    Overlay& overlay = *context().overlay;
    SoundManager& sound = *context().soundManager;
    GameState& state = *context().gameState;
    sound.startAmbience();
    const Pixels plain = gameFrame();

    // After the loading screen: its picture fades out over the first game frames.
    introDone = true;
    introEnding = true;
    state.textTicks = 210;
    const Pixels loadingHalfGone = gameFrame();
    EXPECT_EQ(difference(loadingHalfGone, plainFrameUnder(overlay.loading, 0.5f)).count, 0);
    EXPECT_GT(difference(loadingHalfGone, plain).count, width * height / 2);
    state.textTicks = 239;
    gameFrame();
    EXPECT_TRUE(introEnding);
    state.textTicks = 240;
    EXPECT_EQ(difference(gameFrame(), plain).count, 0);
    EXPECT_FALSE(introEnding);
    EXPECT_TRUE(introDone);

    // After the title screen: the title fades out while the loops rise from half to full volume.
    introDone = false;
    introEnding = true;
    state.textTicks = 1750;
    const Pixels titleHalfGone = gameFrame();
    EXPECT_NEAR(sound.sounds[SoundManager::Bgm]->getVolume(), 0.75f * sound.bgmVolume, 1e-4f);
    EXPECT_NEAR(sound.sounds[SoundManager::Fire]->getVolume(), 0.75f * sound.fireVolume, 1e-4f);
    EXPECT_NEAR(sound.sounds[SoundManager::BattleAmbience]->getVolume(), 0.75f * sound.battleAmbienceVolume, 1e-4f);
    EXPECT_EQ(difference(titleHalfGone, plainFrameUnder(overlay.title, 0.5f)).count, 0);
    EXPECT_GT(difference(titleHalfGone, plain).count, width * height / 2);
    state.textTicks = 1849;
    gameFrame();
    EXPECT_TRUE(introEnding);
    EXPECT_FALSE(introDone);
    EXPECT_NEAR(sound.sounds[SoundManager::Bgm]->getVolume(), sound.bgmVolume, 0.005f);
    state.textTicks = 1850;
    EXPECT_EQ(difference(gameFrame(), plain).count, 0);
    EXPECT_FALSE(introEnding);
    EXPECT_TRUE(introDone);
}

}  // namespace
