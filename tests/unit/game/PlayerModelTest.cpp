// The thief's clip choice (state table, cross-fade, idle dance, screen reset) and the animation
// step, on clips built in memory.
#include <cmath>

#include <gtest/gtest.h>

#include "state/GlobalState.h"
#include "state/Player.h"
#include "game/PlayerAnimation.h"
#include "renderer/PlayerModel.h"
#include "renderer/RendererState.h"

namespace {

constexpr float standing = -1.33f;
constexpr int running = 0, jumping = 1, idle = 2, dancing = 5, falling = 6;

// A player model as load() leaves it: the running clip plays; the clips last 10, 20, ... ticks.
class PlayerModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetRendererStateForTests();
        float duration = 10.0f;
        for (Animation* clip : {&model.runningAnimation, &model.jumpAnimation, &model.idleAnimation,
                                &model.dancingAnimation, &model.fallingAnimation}) {
            clip->ticksPerSecond = 60;
            clip->duration = duration;
            duration += 10.0f;
        }
        model.animator = Animator(&model.runningAnimation);
    }
    void TearDown() override { resetRendererStateForTests(); }

    void select(float height = standing, bool key = false) { selectPlayerAnimation(model, height, key); }

    PlayerModel model;
};

}  // namespace

TEST_F(PlayerModelTest, StateTableFirstMatchingRowWins) {
    const struct {
        float height;
        bool key;
        int expected;
    } rows[] = {
        {-1.32f, false, idle}, {-1.36f, false, idle},  // both ends of the ground band are standing
        {-1.3199f, false, jumping}, {-1.3601f, false, falling}, {standing, true, running},
        {0.5f, true, jumping},  // W held in the air plays the jump
        {-4.0f, true, falling},
    };
    for (const auto& row : rows) {
        select(row.height, row.key);
        EXPECT_EQ(row.expected, model.state) << row.height << (row.key ? " with a key" : "");
    }

    Player player;  // the Player overload reads the height and W, S, A, D; not the space key
    player.position.y = standing;
    player.moveBack = true;
    selectPlayerAnimation(model, player);
    EXPECT_EQ(running, model.state);
    player.moveBack = false;
    player.jumpRequested = true;
    selectPlayerAnimation(model, player);
    EXPECT_EQ(idle, model.state);
}

TEST_F(PlayerModelTest, RunningClipPlaysAfterLoadingUntilTheScreenReset) {
    select();
    EXPECT_EQ(idle, model.state);
    EXPECT_EQ(&model.runningAnimation, model.animator.currentAnimation);
    EXPECT_EQ(0.0f, model.crossFade);

    select(standing, true);
    select();
    model.idleCounter = 12;
    const int fadeCounter = model.crossFadeCounter;
    model.resetToIdle();
    EXPECT_EQ(idle, model.state);
    EXPECT_EQ(idle, model.previousState);
    EXPECT_EQ(0.0f, model.crossFade);
    EXPECT_EQ(0, model.idleCounter);
    EXPECT_EQ(fadeCounter, model.crossFadeCounter);  // not reset
    EXPECT_EQ(&model.idleAnimation, model.animator.currentAnimation);
    EXPECT_EQ(&model.idleAnimation, model.animator.previousAnimation);
}

TEST_F(PlayerModelTest, ChangeFadesOverFifteenSelectionsAndASecondChangeRestartsIt) {
    model.resetToIdle();
    model.animator.currentTime = 4.0f;
    select(standing, true);
    EXPECT_EQ(&model.runningAnimation, model.animator.currentAnimation);
    EXPECT_EQ(&model.idleAnimation, model.animator.previousAnimation);
    EXPECT_EQ(4.0f, model.animator.previousTime);  // frozen where it was
    EXPECT_EQ(0.0f, model.animator.currentTime);
    EXPECT_FLOAT_EQ(1.0f - 1.0f / 15.0f, model.crossFade);
    for (int i = 2; i <= 5; ++i) {
        select(standing, true);
        EXPECT_FLOAT_EQ(1.0f - i / 15.0f, model.crossFade) << i;
    }

    model.animator.currentTime = 3.0f;
    select(-3.0f);  // within the fade: it starts again, fading out the running clip
    EXPECT_EQ(falling, model.state);
    EXPECT_EQ(&model.runningAnimation, model.animator.previousAnimation);
    EXPECT_EQ(3.0f, model.animator.previousTime);
    EXPECT_FLOAT_EQ(1.0f - 1.0f / 15.0f, model.crossFade);
    for (int i = 2; i <= 16; ++i) {
        select(-3.0f);
        EXPECT_FLOAT_EQ(std::max(0.0f, 1.0f - i / 15.0f), model.crossFade) << i;
    }
}

TEST_F(PlayerModelTest, JumpFreezesTheFadedClipAtZeroAndLandingFadesTheJumpFromWhereItIs) {
    model.resetToIdle();
    model.animator.currentTime = 6.0f;
    select(0.0f);
    EXPECT_EQ(jumping, model.state);
    EXPECT_EQ(&model.idleAnimation, model.animator.previousAnimation);
    EXPECT_EQ(0.0f, model.animator.previousTime);

    model.animator.currentTime = 9.0f;
    select(-1.34f);
    EXPECT_EQ(idle, model.state);
    EXPECT_EQ(&model.jumpAnimation, model.animator.previousAnimation);
    EXPECT_EQ(9.0f, model.animator.previousTime);
}

TEST_F(PlayerModelTest, ThousandIdleSelectionsThenDanceUntilTurnedOrMoved) {
    model.resetToIdle();
    for (int i = 0; i < 1000; ++i) {
        select();
        ASSERT_EQ(idle, model.state) << i;
    }
    select();
    EXPECT_EQ(dancing, model.state);
    EXPECT_EQ(&model.dancingAnimation, model.animator.currentAnimation);
    select();
    EXPECT_EQ(dancing, model.state);  // dancing keeps the counter
    EXPECT_EQ(1000, model.idleCounter);

    turnLeft = true;
    select();  // this selection still dances; the turn resets the counter and is cleared
    EXPECT_EQ(dancing, model.state);
    EXPECT_FALSE(turnLeft);
    select();
    EXPECT_EQ(idle, model.state);
    EXPECT_EQ(1, model.idleCounter);
    select(standing, true);
    EXPECT_EQ(0, model.idleCounter);
}

TEST_F(PlayerModelTest, StepAdvancesAndWrapsTheCurrentClipAndHoldsThePreviousOne) {
    Player player;
    player.position.y = standing;
    model.resetToIdle();
    model.animator.currentTime = 17.0f;
    player.moveForward = true;
    stepPlayerAnimation(model, player, 0.1f);  // to running: 60 ticks/s * 0.1 s = 6 ticks
    EXPECT_FLOAT_EQ(6.0f, model.animator.currentTime);
    EXPECT_FLOAT_EQ(17.0f, model.animator.previousTime);
    EXPECT_FLOAT_EQ(model.crossFade, model.animator.blend);
    stepPlayerAnimation(model, player, 0.1f);
    EXPECT_FLOAT_EQ(2.0f, model.animator.currentTime);  // 12 wrapped by the clip's 10
    EXPECT_EQ(100u, model.boneMatrices.size());

    // A clip of no length (an empty one) neither wraps nor turns the time into NaN.
    player.moveForward = false;
    model.idleAnimation = Animation();
    model.resetToIdle();
    stepPlayerAnimation(model, player, 1.0f / 60.0f);
    EXPECT_EQ(0.0f, model.animator.currentTime);
    model.animator = Animator();  // and no clip at all still leaves 100 matrices to upload
    model.boneMatrices.clear();
    stepPlayerAnimation(model, player, 1.0f / 60.0f);
    EXPECT_EQ(100u, model.boneMatrices.size());
}
