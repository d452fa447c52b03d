// A whole run through the frame loop: the loading screen, the course won through the frame
// update with the thief steered along the winning route, then the escape screen for as many
// rendered frames as its fade takes. The clock moves only when the test moves it.
#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "GameScene.h"
#include "game/GameContext.h"
#include "game/GameLoop.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "game/SoundManager.h"
#include "support/CourseRoute.h"

namespace {

using gamescene::now;
using testgl::Pixels;

class EscapeRun : public gamescene::GameSceneTest {};

TEST_F(EscapeRun, TheWonCourseEndsOnTheGreenEscapeScreenWithTheLoopsAtHalfVolume) {
    GameContext& game = context();
    GameState& state = *game.gameState;
    SoundManager& sound = *game.soundManager;

    // One pass of the loop, just after the frame interval has run out.
    int passes = 0;
    auto pass = [&] {
        now += state.frameInterval + 1e-6;
        passes += runFramePass(game) ? 1 : 0;
    };
    // One fixed step of the running game: the frame update alone, without drawing. A whole pass
    // would also draw the game frame and the mirror's faces in view after every step, which on a
    // software renderer would make the few thousand steps of the course take minutes.
    auto fixedStep = [&] {
        now += static_cast<double>(1.0f / 60.0f);
        updateGame(game);
    };

    // Started with the intro skipped: the loading screen asks for the loops, the next frame
    // starts them.
    introActive = true;
    introDone = true;
    loadingScreen = true;
    pass();
    pass();
    ASSERT_TRUE(engine().playing("bgm"));
    while (state.textTicks < game.fadeTimings->shortFadeOutStart) {
        fixedStep();
    }
    pass();
    ASSERT_FALSE(introActive);

    course::Driver(*game.player, fixedStep).run(course::winningRoute());
    ASSERT_FALSE(HasFatalFailure());
    for (int i = 0; i < 5 && !gameOver; ++i) {
        fixedStep();
    }
    ASSERT_TRUE(escaped);
    ASSERT_TRUE(gameOver);
    ASSERT_FALSE(lostByFall || lostByTime);

    // The escape screen, frame by frame.
    std::vector<float> fades, bgm;
    Pixels early;
    const int screenStart = passes;
    while (state.endScreenTicks < 300 && passes - screenStart < 400) {
        pass();
        fades.push_back(escapeFade);
        bgm.push_back(sound.sounds[SoundManager::Bgm]->getVolume());
        if (passes - screenStart == 2) {
            // The back buffer still holds the frame after the swap, as the pause snapshot relies on.
            early = read();  // cleared to the escape screen's colour, the picture not yet showing
        }
    }
    ASSERT_EQ(state.endScreenTicks, 300) << "the escape screen counts its rendered frames";
    const Pixels last = read();

    // The picture waits a moment, then fades in; the loops sink with it from full to half volume.
    const auto firstShowing = std::find_if(fades.begin(), fades.end(), [](float f) { return f > 0.0f; });
    EXPECT_GE(firstShowing - fades.begin(), 80);
    EXPECT_FLOAT_EQ(bgm.front(), sound.bgmVolume);
    EXPECT_TRUE(std::is_sorted(fades.begin(), fades.end()));
    EXPECT_TRUE(std::is_sorted(bgm.rbegin(), bgm.rend()));
    const bool between = std::any_of(fades.begin(), fades.end(), [](float f) { return f > 0.25f && f < 0.75f; });
    EXPECT_TRUE(between) << "the picture fades in, it does not just appear";
    EXPECT_EQ(escapeFade, 1.0f);
    EXPECT_FLOAT_EQ(sound.sounds[SoundManager::Bgm]->getVolume(), 0.5f * sound.bgmVolume);
    EXPECT_FLOAT_EQ(sound.sounds[SoundManager::Fire]->getVolume(), 0.5f * sound.fireVolume);
    EXPECT_FLOAT_EQ(sound.sounds[SoundManager::BattleAmbience]->getVolume(), 0.5f * sound.battleAmbienceVolume);

    // Green all over at first; at the end the picture covers the middle and the corners stay green.
    auto isGreen = [](const glm::ivec3& colour) { return testgl::near(colour, glm::ivec3(0, 134, 46), 2); };
    int earlyGreen = 0;
    for (int y = 0; y < gamescene::height; ++y) {
        for (int x = 0; x < gamescene::width; ++x) {
            earlyGreen += isGreen(early.rgb(x, y)) ? 1 : 0;
        }
    }
    EXPECT_EQ(earlyGreen, gamescene::width * gamescene::height);
    for (const auto& corner : {std::pair{2, 2}, std::pair{gamescene::width - 3, gamescene::height - 3}}) {
        EXPECT_TRUE(isGreen(last.rgb(corner.first, corner.second))) << corner.first << "," << corner.second;
    }
    EXPECT_GT(gamescene::difference(last, early).count, gamescene::width * gamescene::height / 4);
}

}  // namespace
