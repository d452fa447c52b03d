// The HUD and the intro and end screens on the game's real images, font and sound manager:
// what they draw, over which colour, and what they do to the ambience.
#include <algorithm>
#include <vector>

#include "GameScene.h"
#include "game/GameContext.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "game/Rules.h"
#include "game/Screens.h"
#include "game/SoundManager.h"
#include "renderer/GuiImage.h"
#include "renderer/TextureDXT5.h"

namespace {

using gamescene::difference;
using testgl::Pixels;

class Screens : public gamescene::GameSceneTest {
protected:
    // Two frames as the frame loop draws an end screen: the second is cleared to the colour the
    // first one chose.
    Pixels endScreen() {
        for (int frame = 0; frame < 2; ++frame) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            renderEndScreen(context());
        }
        return read();
    }

    static Pixels picture(float r, float g, float b, float a, GuiImage& first, float firstAlpha,
                         GuiImage* second = nullptr, float secondAlpha = 0.0f) {
        glClearColor(r, g, b, a);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        first.draw(firstAlpha);
        if (second) {
            second->draw(secondAlpha);
        }
        return read();
    }

    // The sum of every pixel's brightest channel: how much the HUD shows on black.
    long hudBrightness() {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderHud(context());
        const Pixels frame = read();
        long sum = 0;
        for (std::size_t i = 0; i < frame.rgba.size(); i += 4) {
            sum += std::max({frame.rgba[i], frame.rgba[i + 1], frame.rgba[i + 2]});
        }
        return sum;
    }

    // Intro frames as the loop runs them: the screen raises its sound requests, the next
    // update serves them.
    void introFrames(int count) {
        for (int i = 0; i < count; ++i) {
            renderIntroScreen(context());
            context().soundManager->update(context().player->position.y);
        }
    }

    float volume(SoundManager::Slot slot) { return context().soundManager->sounds[slot]->getVolume(); }
};

TEST_F(Screens, FellAndTimeOutScreensShowTheirImagesOverTheirColours) {
    Overlay& overlay = *context().overlay;
    lostByFall = true;
    fallOverlayFade = 1.0f;
    fallFade = 0.5f;
    const Pixels fell = endScreen();
    EXPECT_EQ(difference(fell, picture(0.0f, 0.0f, 0.0f, 0.0f, overlay.red, 1.0f, &overlay.failed, 0.5f)).count, 0);

    lostByFall = false;
    lostByTime = true;
    context().gameState->textTicks = 60;
    const Pixels timedOut = endScreen();
    EXPECT_EQ(difference(timedOut, picture(0.678f, 0.071f, 0.0f, 1.0f, overlay.failed, 0.5f)).count, 0);
    EXPECT_GT(difference(timedOut, picture(0.678f, 0.071f, 0.0f, 1.0f, overlay.failed, 0.0f)).count, 1000);
}

TEST_F(Screens, StatusLineFadesInAndIsGoneAfter300Ticks) {
    GameState& state = *context().gameState;
    blendFactor = 0.0f;  // far from the cube: no intro text
    hideTimer = true;
    statusMessage = artifactNames[2];
    artifactPresent = {true, true, false};
    state.statusTicks = 150;
    const long full = hudBrightness();
    EXPECT_GT(full, 1000);
    for (int faint : {10, 299}) {
        state.statusTicks = faint;
        const long shown = hudBrightness();
        EXPECT_GT(shown, 0) << "tick " << faint;
        EXPECT_LT(shown, full / 3) << "tick " << faint;
    }
    state.statusTicks = 300;
    EXPECT_EQ(hudBrightness(), 0);
}

TEST_F(Screens, AmbienceIsAskedForOnceAndARestartSilencesTheOutro) {
    SoundManager& sound = *context().soundManager;
    introActive = true;
    introFrames(3);  // the title screen
    EXPECT_EQ(engine().entries("play narIntro").size(), 1u);
    EXPECT_EQ(engine().entries("play bgm").size(), 1u);

    // An escape: the loops and the narration have run out, the outro narration plays.
    for (const char* name : {"bgm", "fire", "battleAmbience", "infoPoint", "narIntro"}) {
        engine().finish(name);
    }
    outroSoundPending = true;
    sound.update(context().player->position.y);
    ASSERT_TRUE(engine().playing("narOutro"));

    introDone = true;  // the title's closing fade ran before the run
    resetGame();
    ASSERT_TRUE(introActive && loadingScreen);
    introFrames(3);
    EXPECT_FALSE(engine().playing("narOutro"));
    EXPECT_EQ(engine().entries("play bgm").size(), 1u);
    EXPECT_EQ(engine().entries("play narIntro").size(), 1u);
}

TEST_F(Screens, LoopVolumesFollowTheDistanceToTheCubeAndTheLoadingFade) {
    SoundManager& sound = *context().soundManager;
    sound.startAmbience();
    hideTimer = true;

    // At the cube the chime is at its peak and the music steps back.
    blendFactor = 1.0f;
    renderHud(context());
    EXPECT_FLOAT_EQ(volume(SoundManager::InfoPoint), sound.infoPointVolume);
    const float nearBgm = volume(SoundManager::Bgm);
    const float nearFire = volume(SoundManager::Fire);
    const float nearBattle = volume(SoundManager::BattleAmbience);
    EXPECT_LT(nearBgm, sound.bgmVolume);
    EXPECT_LT(nearFire, sound.fireVolume);
    EXPECT_LT(nearBattle, sound.battleAmbienceVolume);

    // Halfway out the chime is quieter and the music louder.
    blendFactor = 0.5f;
    renderHud(context());
    const std::vector<float> halfway = {volume(SoundManager::InfoPoint), volume(SoundManager::Bgm),
                                        volume(SoundManager::Fire), volume(SoundManager::BattleAmbience)};
    EXPECT_NEAR(halfway[0], 0.5f * sound.infoPointVolume, 1e-6f);
    EXPECT_GT(halfway[1], nearBgm);
    EXPECT_LT(halfway[1], sound.bgmVolume);
    EXPECT_GT(halfway[2], nearFire);
    EXPECT_GT(halfway[3], nearBattle);

    // Ten units out the HUD leaves them as they were.
    blendFactor = 0.0f;
    renderHud(context());
    EXPECT_EQ(halfway, (std::vector<float>{volume(SoundManager::InfoPoint), volume(SoundManager::Bgm),
                                           volume(SoundManager::Fire), volume(SoundManager::BattleAmbience)}));

    // The loading screen plays the loops at half volume while its picture is gone, at full while it shows.
    introActive = true;
    loadingScreen = true;
    introSoundRequested = true;
    for (float alpha : {0.0f, 1.0f}) {
        textFadeAlpha = alpha;
        renderIntroScreen(context());
        const float factor = alpha == 0.0f ? 0.5f : 1.0f;
        EXPECT_FLOAT_EQ(volume(SoundManager::Bgm), factor * sound.bgmVolume);
        EXPECT_FLOAT_EQ(volume(SoundManager::Fire), factor * sound.fireVolume);
        EXPECT_FLOAT_EQ(volume(SoundManager::BattleAmbience), factor * sound.battleAmbienceVolume);
    }
}

}  // namespace

// The title and loading pictures are opaque: at full strength each replaces every pixel, so it
// is drawn with blending off and the frame under it is not cleared. Drawn so over a frame of
// any colour it must leave exactly what blending it over the cleared frame leaves; between its
// fades, and only then, the intro screen claims the whole window.
TEST_F(Screens, AnOpaquePictureAtFullStrengthReplacesEveryPixel) {
    Overlay& overlay = *context().overlay;
    for (GuiImage* image : {&overlay.title, &overlay.loading}) {
        ASSERT_TRUE(image->texture && image->texture->opaque);
        image->texture->opaque = false;  // the blended draw, over the cleared frame
        const Pixels blended = picture(0.0f, 0.0f, 0.0f, 1.0f, *image, 1.0f);
        image->texture->opaque = true;
        const Pixels replaced = picture(0.9f, 0.1f, 0.6f, 0.3f, *image, 1.0f);
        EXPECT_EQ(difference(replaced, blended, 0).count, 0);
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
    }
    EXPECT_FALSE(overlay.failed.coversViewport(1.0f));
    EXPECT_FALSE(overlay.pause.coversViewport(1.0f));

    introActive = true;
    textFadeAlpha = 1.0f;
    introDone = false;
    glDisable(GL_DEPTH_TEST);  // as the frame loop leaves it for the screens
    EXPECT_TRUE(introScreenCoversViewport(context()));
    // F1 draws the picture's outline and F2 may cull it: the clear under it shows then.
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    EXPECT_FALSE(introScreenCoversViewport(context()));
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_CULL_FACE);
    EXPECT_FALSE(introScreenCoversViewport(context()));
    glDisable(GL_CULL_FACE);
    textFadeAlpha = 0.999f;
    EXPECT_FALSE(introScreenCoversViewport(context()));
    loadingScreen = true;
    introDone = true;
    EXPECT_FALSE(introScreenCoversViewport(context()));
    textFadeAlpha = 1.0f;
    EXPECT_TRUE(introScreenCoversViewport(context()));
    loadingScreen = false;  // the intro seen and no loading screen: nothing is drawn
    EXPECT_FALSE(introScreenCoversViewport(context()));
}
