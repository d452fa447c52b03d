// The player's motion model on the real physics layer and the level's platforms.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/WorldStubs.h"
#include "game/Rules.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"
#include "state/Settings.h"

namespace {

constexpr float step60 = 1.0f / 60.0f;
// -2.25 (platform top) + 0.9 (the box's vertical half size) + 0.01 (contact offset).
const float restHeight = -1.34f;

// One fixed step as the game update runs it: counters, rules, player, physics.
void fixedStep(float dt = step60) {
    GameState& state = *GameState::getInstance();
    state.jumpTicks += 1;
    checkGameRules();
    if (!gameOver) {
        Player::getInstance()->update(dt);
    }
    stepPhysics();
}

void fixedSteps(int n) {
    for (int i = 0; i < n; ++i) {
        fixedStep();
    }
}

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetWorld();
        player = Player::getInstance();
    }
    Player* player = nullptr;
};

TEST_F(PlayerTest, StartsFacingTheGoalAndSettlesOnPlatformOne) {
    EXPECT_NEAR(player->front.z, -1.0f, 1e-6f);
    EXPECT_NEAR(player->right.x, 1.0f, 1e-6f);
    ASSERT_NE(player->controller, nullptr);
    EXPECT_NEAR(player->controller->getUpDirection().z, -1.0f, 1e-6f);

    fixedSteps(10);
    EXPECT_EQ(player->position.y, restHeight);
    EXPECT_FALSE(player->inAir);
}

TEST_F(PlayerTest, StandingStaysBitIdenticalFor600Steps) {
    fixedSteps(10);
    const float settled = player->position.y;
    ASSERT_EQ(settled, restHeight);
    for (int i = 0; i < 600; ++i) {
        fixedStep();
        ASSERT_EQ(player->position.y, settled) << "step " << i;
        ASSERT_FALSE(player->inAir) << "step " << i;
        ASSERT_FALSE(player->isMoving) << "step " << i;
        ASSERT_FALSE(walking);
    }
    EXPECT_FALSE(gameOver);
}

TEST_F(PlayerTest, WalkingForwardKeepsTheHeightUntilTheCubeStopsIt) {
    fixedSteps(10);
    const glm::vec3 start = player->position;
    player->moveForward = true;
    for (int i = 0; i < 120; ++i) {
        fixedStep();
        ASSERT_EQ(player->position.y, restHeight) << "step " << i;
        ASSERT_TRUE(walking);
        ASSERT_TRUE(player->isMoving) << "step " << i;
    }
    // 6.867 units per second, forward is -z in physics space.
    EXPECT_NEAR(player->position.z, start.z - 120 * 6.867f * step60, 1e-3f);
    EXPECT_NEAR(player->position.x, start.x, 1e-5f);
    // The reflective cube's box at the origin (half extent 0.5) stops the 0.3-deep box a
    // contact offset short of it.
    fixedSteps(60);
    EXPECT_NEAR(player->position.z, 0.5f + 0.3f + 0.01f, 1e-4f);
    EXPECT_EQ(player->position.y, restHeight);
    EXPECT_FALSE(player->isMoving);
    EXPECT_TRUE(walking);
}

TEST_F(PlayerTest, OnlyTheFirstHeldKeyCounts) {
    fixedSteps(10);
    struct Case {
        bool w, s, a, d;
        glm::vec3 direction;
    } cases[] = {
        {true, true, false, false, {0, 0, -1}},   // W and S: forward only
        {false, false, true, true, {1, 0, 0}},    // A and D: right only
        {true, false, false, true, {0, 0, -1}},   // W and D: forward only
        {false, true, true, false, {0, 0, 1}},    // S and A: back only
    };
    for (const Case& c : cases) {
        player->moveForward = c.w;
        player->moveBack = c.s;
        player->moveLeft = c.a;
        player->moveRight = c.d;
        const glm::vec3 before = player->position;
        fixedStep();
        const glm::vec3 moved = player->position - before;
        EXPECT_NEAR(moved.x, c.direction.x * 6.867f * step60, 1e-4f);
        EXPECT_NEAR(moved.z, c.direction.z * 6.867f * step60, 1e-4f);
        EXPECT_EQ(moved.y, 0.0f);
    }
}

TEST_F(PlayerTest, SlowFramesMoveAtFullSpeedButAStallIsBounded) {
    fixedSteps(10);
    player->moveForward = true;
    // A frame of 1/20 s (a slow software renderer) moves the thief by its full speed.
    float z = player->position.z;
    fixedStep(0.05f);
    EXPECT_NEAR(z - player->position.z, 6.867f * 0.05f, 1e-4f);
    player->moveForward = false;
}

TEST_F(PlayerTest, StalledStepIsBounded) {
    fixedSteps(10);
    player->moveForward = true;
    const float z = player->position.z;
    // A one-second stall: without the bound this single move would be 6.9 units.
    fixedStep(1.0f);
    EXPECT_NEAR(z - player->position.z, 6.867f * Player::maxStepSeconds, 1e-4f);
    EXPECT_EQ(player->position.y, restHeight);
    // Nonsense time steps do not move the player backwards in time.
    const glm::vec3 before = player->position;
    player->moveForward = false;
    player->update(-1.0f);
    EXPECT_EQ(player->position, before);
}

TEST_F(PlayerTest, WalkingOffTheEdgeFallsAndTheRulesEndTheRun) {
    fixedSteps(10);
    player->moveRight = true;  // platform 1 ends at x = 5
    int firstAirStep = -1;
    float lowestStepDrop = 0.0f;
    float previousY = player->position.y;
    for (int i = 0; i < 600 && !gameOver; ++i) {
        fixedStep();
        if (player->inAir && firstAirStep < 0) {
            firstAirStep = i;
        }
        if (firstAirStep >= 0 && i > firstAirStep && !gameOver) {
            // Once airborne, walking stays off until a step ends where it began.
            EXPECT_FALSE(walking) << "step " << i;
        }
        lowestStepDrop = std::min(lowestStepDrop, player->position.y - previousY);
        previousY = player->position.y;
    }
    ASSERT_GE(firstAirStep, 0);
    EXPECT_GT(player->position.x, 5.0f);
    EXPECT_TRUE(gameOver);
    EXPECT_TRUE(lostByFall);
    EXPECT_FALSE(landingArmed);
    EXPECT_FALSE(abyssSoundPending);
    // The fall speed is capped at 14.715: at most 14.715 * dt * 0.5 per step.
    EXPECT_GE(lowestStepDrop, -14.715f * step60 * 0.5f - 1e-5f);
    EXPECT_NEAR(lowestStepDrop, -14.715f * step60 * 0.5f, 1e-4f);
}

TEST_F(PlayerTest, JumpRisesAndLandsBackAtRestHeight) {
    fixedSteps(80);
    ASSERT_GT(GameState::getInstance()->jumpTicks, 70);
    player->jumpRequested = true;
    fixedStep();
    EXPECT_TRUE(player->inAir);
    EXPECT_TRUE(jumpSoundPending);
    EXPECT_EQ(GameState::getInstance()->jumpTicks, 0);
    EXPECT_TRUE(player->jumpRequested);                  // dropped by the next step, in the air
    float peak = player->position.y;
    // Near the top a step can be shorter than the minimal move distance: the height stays put
    // and inAir reads false for that step. Landed means back at rest and not in the air.
    int steps = 0;
    while (!(player->position.y == restHeight && !player->inAir) && steps < 300) {
        fixedStep();
        EXPECT_FALSE(player->jumpRequested);
        peak = std::max(peak, player->position.y);
        ++steps;
    }
    EXPECT_GT(peak, -0.5f);  // high enough for the rules to arm the landing sound
    // Even at the top of a jump the feet stay more than a step offset below the mirror cube's
    // top (y 0.5), the one box whose top differs from the platforms': the controller's step
    // offset, which it never acts on, could not have put the thief onto anything.
    EXPECT_LT(peak - 0.9f + player->controllerDesc.stepOffset, 0.5f);
    EXPECT_EQ(player->position.y, restHeight);
    EXPECT_TRUE(landingSoundPending);
    EXPECT_FALSE(landingArmed);
}

TEST_F(PlayerTest, JumpCooldownDropsRequestsFor70Steps) {
    fixedSteps(80);
    player->jumpRequested = true;
    fixedStep();
    ASSERT_TRUE(player->inAir);
    // A request in the air is dropped, not remembered for the landing.
    fixedStep();
    player->jumpRequested = true;
    fixedStep();
    EXPECT_FALSE(player->jumpRequested);
    for (int i = 0; i < 300 && !(player->position.y == restHeight && !player->inAir); ++i) {
        fixedStep();
    }
    EXPECT_EQ(player->position.y, restHeight);
    // On the ground, but inside the cooldown: dropped, and not served later.
    GameState::getInstance()->jumpTicks = 69;
    player->jumpRequested = true;
    fixedStep();  // tick 70: not above 70
    EXPECT_FALSE(player->jumpRequested);
    EXPECT_FALSE(player->inAir);
    fixedStep();  // tick 71, no request left: no jump
    EXPECT_FALSE(player->inAir);
    GameState::getInstance()->jumpTicks = 70;
    player->jumpRequested = true;
    fixedStep();  // tick 71
    EXPECT_TRUE(player->inAir);
    EXPECT_TRUE(jumpSoundPending);
}

TEST_F(PlayerTest, TurningFollowsTheMouseAndWraps) {
    currentWidth = windowWidth = 1280;
    player->yaw = 10.0f;
    EXPECT_NEAR(player->turnByMouse(1280.0f, step60), 160.0f, 1e-3f);
    EXPECT_TRUE(turnRight);
    EXPECT_FALSE(turnLeft);
    EXPECT_NEAR(player->turnByMouse(-1280.0f, step60), 10.0f, 1e-3f);
    EXPECT_TRUE(turnLeft);

    const float fiveDegrees = 5.0f * 1280.0f / 150.0f;
    player->yaw = 359.0f;
    EXPECT_EQ(player->turnByMouse(fiveDegrees, step60), 0.0f);
    player->yaw = 1.0f;
    EXPECT_EQ(player->turnByMouse(-fiveDegrees, step60), 360.0f);

    // The box turns with the facing.
    player->yaw = 90.0f;
    player->turnByMouse(0.0f, step60);
    EXPECT_NEAR(player->front.z, 1.0f, 1e-6f);
    EXPECT_NEAR(player->controller->getUpDirection().z, 1.0f, 1e-6f);
    EXPECT_NEAR(player->right.x, -1.0f, 1e-6f);
}

TEST_F(PlayerTest, TurnScaleAcrossWindowAndScreenWidths) {
    // Full screen on a 1920-wide monitor for a 1280 window: 1920 units for 150 degrees.
    windowWidth = 1280;
    currentWidth = 1920;
    player->yaw = 10.0f;
    EXPECT_NEAR(player->turnByMouse(1920.0f, step60), 160.0f, 1e-3f);
    // A screen narrower than the configured window still turns (a full width for 150 degrees).
    windowWidth = 1920;
    currentWidth = 1280;
    player->yaw = 10.0f;
    EXPECT_NEAR(player->turnByMouse(1280.0f, step60), 160.0f, 1e-3f);
    // No width at all: nothing to measure against, nothing turns.
    player->yaw = 10.0f;
    currentWidth = 0;
    EXPECT_EQ(player->turnByMouse(500.0f, step60), 10.0f);
    windowWidth = 0;
    currentWidth = 1280;
    player->yaw = 10.0f;
    EXPECT_NEAR(player->turnByMouse(1280.0f, step60), 160.0f, 1e-3f);
}

TEST_F(PlayerTest, IntroBlocksTheTurn) {
    introActive = true;
    EXPECT_EQ(player->turnByMouse(800.0f, step60), 270.0f);
    EXPECT_FALSE(turnLeft);
    EXPECT_FALSE(turnRight);
    EXPECT_NEAR(player->front.z, -1.0f, 1e-6f);
}

TEST_F(PlayerTest, MissingControllerDoesNotCrash) {
    phys::ControllerManager* savedManager = controllerManager;
    controllerManager = nullptr;
    Player orphan;
    controllerManager = savedManager;
    EXPECT_EQ(orphan.controller, nullptr);
    orphan.moveForward = true;
    orphan.update(step60);
    EXPECT_EQ(orphan.position, glm::vec3(0.0f, -1.33f, 16.5f));
    EXPECT_FALSE(orphan.isMoving);
    orphan.turnByMouse(100.0f, step60);
    EXPECT_GT(orphan.yaw, 270.0f);
}

}  // namespace
