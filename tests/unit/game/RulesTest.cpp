// The rules of a run and the restart, on positions set directly.
#include <gtest/gtest.h>

#include "support/WorldStubs.h"
#include "game/Rules.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "platform/system/Clock.h"

namespace {

class RulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetWorld();
        player = Player::getInstance();
        state = GameState::getInstance();
        player->position = glm::vec3(0.0f, -1.34f, 16.5f);
    }
    Player* player = nullptr;
    GameState* state = nullptr;
};

TEST_F(RulesTest, TimeOutIsStrictlyAfterTheLimit) {
    state->timeLimit = 90.0;
    state->elapsed = 90.0;
    checkGameRules();
    EXPECT_FALSE(gameOver);
    state->elapsed = 91.0;
    state->textTicks = 500;
    textFadeAlpha = 0.7f;
    checkGameRules();
    EXPECT_TRUE(gameOver);
    EXPECT_TRUE(lostByTime);
    EXPECT_FALSE(lostByFall);
    EXPECT_EQ(state->textTicks, 0);
    EXPECT_EQ(textFadeAlpha, 0.0f);
}

TEST_F(RulesTest, TimeSpentInTheIntroNeverEndsTheRun) {
    // A slow machine may take longer than the limit to show the title; the clock starts
    // again when the intro ends, so the run is not lost on the title screen.
    introActive = true;
    state->timeLimit = 90.0;
    state->elapsed = 200.0;
    checkGameRules();
    EXPECT_FALSE(gameOver);
    EXPECT_FALSE(lostByTime);
    introActive = false;
    checkGameRules();
    EXPECT_TRUE(lostByTime);
}

TEST_F(RulesTest, FallAndTimeOutInOneStepSetBoth) {
    state->elapsed = 91.0;
    player->position.y = -24.5f;
    landingArmed = true;
    abyssSoundPending = true;
    checkGameRules();
    EXPECT_TRUE(lostByTime);
    EXPECT_TRUE(lostByFall);
    EXPECT_FALSE(landingArmed);
    EXPECT_FALSE(abyssSoundPending);
    // Once over, the rules stand still.
    player->position.y = -1.5f;
    checkGameRules();
    EXPECT_FALSE(abyssSoundPending);
}

TEST_F(RulesTest, EscapeNeedsAllArtifactsAndTheGround) {
    player->position = glm::vec3(0.0f, -1.34f, -95.0f);
    checkGameRules();
    EXPECT_FALSE(escaped);  // artifacts still out there
    artifactPresent = {false, false, false};
    player->position.y = -1.33f;  // mid-jump over the line
    checkGameRules();
    EXPECT_FALSE(escaped);
    EXPECT_TRUE(allArtifactsCollected);
    state->endScreenTicks = 12;
    player->position.y = -1.34f;
    checkGameRules();
    EXPECT_TRUE(escaped);
    EXPECT_TRUE(outroSoundPending);
    EXPECT_TRUE(gameOver);
    EXPECT_EQ(state->endScreenTicks, 0);
    // Not at z = -92 itself.
    resetWorld();
    artifactPresent = {false, false, false};
    Player::getInstance()->position = glm::vec3(0.0f, -1.34f, -92.0f);
    checkGameRules();
    EXPECT_FALSE(escaped);
}

TEST_F(RulesTest, PickupsAndTheStepAfterTheThird) {
    // Artifact 0 at level (-18, -1.5, 54): physics z -54.
    player->position = glm::vec3(-18.0f, -1.34f, -54.0f);
    state->statusTicks = 300;
    statusMessageTimer = 2.0f;
    checkGameRules();
    EXPECT_FALSE(artifactPresent[0]);
    EXPECT_TRUE(narBagPending);
    EXPECT_EQ(statusMessage, "Coin  of  Command");
    EXPECT_EQ(state->statusTicks, 0);
    EXPECT_EQ(statusMessageTimer, 0.0f);

    // Just out of reach: 2.0 away is not taken.
    player->position = glm::vec3(22.0f, -0.95f, -54.0f);
    checkGameRules();
    EXPECT_TRUE(artifactPresent[2]);
    player->position = glm::vec3(22.0f, -0.95f, -53.99f);
    checkGameRules();
    EXPECT_FALSE(artifactPresent[2]);
    EXPECT_TRUE(narMapPending);
    EXPECT_EQ(statusMessage, "Bone  Atlas");

    player->position = glm::vec3(0.0f, -1.34f, -69.5f);
    checkGameRules();
    EXPECT_TRUE(narChestPending);
    EXPECT_EQ(statusMessage, "Eldritch  Legacy");
    EXPECT_FALSE(allArtifactsCollected);  // the step that takes the third
    checkGameRules();
    EXPECT_TRUE(allArtifactsCollected);
}

TEST_F(RulesTest, SoundThresholds) {
    player->position.y = -1.5f;
    checkGameRules();
    EXPECT_TRUE(abyssSoundPending);
    abyssSoundPending = false;
    player->position.y = -1.4f;
    checkGameRules();
    EXPECT_FALSE(abyssSoundPending);
    player->position.y = -0.5f;
    checkGameRules();
    EXPECT_FALSE(landingArmed);
    player->position.y = -0.49f;
    checkGameRules();
    EXPECT_TRUE(landingArmed);
}

TEST_F(RulesTest, ResetBeforeTheIntroHasBeenSeenChangesNothing) {
    introDone = false;
    introActive = false;
    gameOver = lostByFall = true;
    player->position = glm::vec3(3.0f, -30.0f, 2.0f);
    state->elapsed = 42.0;
    resetGame();
    EXPECT_TRUE(gameOver);
    EXPECT_TRUE(lostByFall);
    EXPECT_FALSE(introActive);
    EXPECT_EQ(player->position, glm::vec3(3.0f, -30.0f, 2.0f));
    EXPECT_EQ(state->elapsed, 42.0);
    EXPECT_EQ(restartEffectsCalls, 0);
}

TEST_F(RulesTest, ResetStartsANewRunFacingTheGoal) {
    setClockCalendarSource([] { return std::time_t(1000000); });
    gameOver = lostByTime = lostByFall = escaped = allArtifactsCollected = true;
    artifactPresent = {false, false, false};
    narBagPending = narChestPending = narMapPending = true;
    abyssSoundPending = outroSoundPending = clockTicking = landingArmed = true;
    introActive = false;
    player->position = glm::vec3(5.0f, -30.0f, -40.0f);
    player->controller->setPosition(glm::dvec3(5.0, -30.0, -40.0));
    player->yaw = 123.0f;
    state->elapsed = 77.0;
    state->textTicks = 900;
    state->endScreenTicks = 300;
    state->statusTicks = 3;

    resetGame();

    EXPECT_FALSE(gameOver || lostByTime || lostByFall || escaped || allArtifactsCollected);
    EXPECT_EQ(artifactPresent, (std::array<bool, 3>{true, true, true}));
    EXPECT_FALSE(narBagPending || narChestPending || narMapPending);
    EXPECT_FALSE(abyssSoundPending || outroSoundPending || clockTicking || landingArmed);
    EXPECT_TRUE(introActive);
    EXPECT_TRUE(loadingScreen);
    EXPECT_EQ(state->elapsed, 0.0);
    EXPECT_EQ(state->textTicks, 0);
    EXPECT_EQ(state->endScreenTicks, 0);
    EXPECT_EQ(state->statusTicks, 440);
    EXPECT_EQ(state->startTime, std::time_t(1000000));
    EXPECT_EQ(restartEffectsCalls, 1);

    EXPECT_EQ(player->position, glm::vec3(0.0f, -1.33f, 16.5f));
    EXPECT_EQ(player->yaw, 270.0f);
    EXPECT_TRUE(player->inAir);
    EXPECT_EQ(player->verticalSpeed, -1.0f);
    // Front and right agree with the yaw of 270: forward walks towards the goal.
    EXPECT_NEAR(player->front.z, -1.0f, 1e-6f);
    EXPECT_NEAR(player->right.x, 1.0f, 1e-6f);
    const glm::dvec3 p = player->controller->getPosition();
    EXPECT_EQ(p, glm::dvec3(0.0, static_cast<double>(-1.33f), 16.5));
}

TEST_F(RulesTest, HeldForwardKeyAfterRestartWalksTowardsTheGoal) {
    player->moveForward = true;
    resetGame();
    for (int i = 0; i < 30; ++i) {
        checkGameRules();
        player->update(1.0f / 60.0f);
    }
    EXPECT_LT(player->position.z, 16.5f - 2.0f);
    EXPECT_FALSE(gameOver);
    EXPECT_FLOAT_EQ(player->position.y, -1.34f);
}

TEST(FadeTimingsTest, HalfwayValuesOfBothSequences) {
    resetWorld();
    GameState& state = *GameState::getInstance();
    FadeTimings& fades = *FadeTimings::getInstance();
    introDone = true;
    for (int t : {45, 210}) {
        state.textTicks = t;
        fades.update();
        EXPECT_FLOAT_EQ(textFadeAlpha, 0.5f) << t;
    }
    introDone = false;
    for (int t : {105, 1750}) {
        state.textTicks = t;
        fades.update();
        EXPECT_FLOAT_EQ(textFadeAlpha, 0.5f) << t;
    }
    for (int t : {0, 30, 1850, 5000}) {
        state.textTicks = t;
        fades.update();
        EXPECT_EQ(textFadeAlpha, 0.0f) << t;
    }
}

}  // namespace
