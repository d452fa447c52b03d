// A whole run through the level on the real physics layer and rules: walk and jump from the
// start to the three artifacts and on to the goal platform. It proves the course can be won
// with the thief's motion model and catches a controller that snags on edges and seams.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <glm/geometric.hpp>

#include "WorldStubs.h"
#include "game/Rules.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"

namespace {

constexpr float step60 = 1.0f / 60.0f;
constexpr float restHeight = -1.34f;

// One fixed step as the game update runs it.
void fixedStep() {
    GameState::getInstance()->jumpTicks += 1;
    checkGameRules();
    if (!gameOver) {
        Player::getInstance()->update(step60);
    }
    stepPhysics();
}

// Turns the thief towards a point given in level coordinates (the player lives in physics
// space, where z is negated), as the mouse turn does.
void face(Player& player, float levelX, float levelZ) {
    const glm::vec2 d(levelX - player.position.x, -levelZ - player.position.z);
    if (glm::length(d) < 1e-4f) {
        return;
    }
    float yaw = std::atan2(d.y, d.x) * 57.29578f;
    if (yaw < 0.0f) yaw += 360.0f;
    player.yaw = yaw;
    player.front = facingForYaw(yaw);
    player.right = glm::normalize(glm::cross(player.front, player.worldUp));
    player.controller->setUpDirection(player.front);
}

float distanceTo(const Player& player, float levelX, float levelZ) {
    return glm::length(glm::vec2(levelX - player.position.x, -levelZ - player.position.z));
}

struct Leg {
    bool jump;     // take off here towards the point, else walk to it
    float x, z;    // level coordinates
};

class Playthrough : public ::testing::Test {
protected:
    void SetUp() override {
        resetWorld();
        player = Player::getInstance();
        for (int i = 0; i < 10; ++i) fixedStep();
    }

    void walkTo(float x, float z) {
        int steps = 0;
        while (distanceTo(*player, x, z) > 0.15f && steps < 3000 && !gameOver) {
            face(*player, x, z);
            player->moveForward = true;
            fixedStep();
            ++steps;
            ASSERT_GT(player->position.y, restHeight - 0.05f)
                << "fell walking to (" << x << ", " << z << ") at (" << player->position.x << ", "
                << -player->position.z << ")";
        }
        player->moveForward = false;
        ASSERT_LT(steps, 3000) << "could not reach (" << x << ", " << z << ") from ("
                               << player->position.x << ", " << -player->position.z << ")";
    }

    // Takes off towards a landing point, keeps walking in the air until it is reached, then
    // waits for the landing.
    void jumpTo(float x, float z) {
        while (GameState::getInstance()->jumpTicks <= 70) fixedStep();
        face(*player, x, z);
        player->jumpRequested = true;
        player->moveForward = true;
        int steps = 0;
        while (steps < 600 && !gameOver) {
            if (distanceTo(*player, x, z) < 0.2f) {
                player->moveForward = false;
            } else {
                face(*player, x, z);
            }
            fixedStep();
            ++steps;
            if (steps > 5 && !player->inAir && player->position.y == restHeight) {
                break;
            }
        }
        player->moveForward = false;
        ASSERT_FALSE(lostByFall) << "fell short of (" << x << ", " << z << ")";
        ASSERT_EQ(player->position.y, restHeight) << "did not land at (" << x << ", " << z << ")";
    }

    void run(const std::vector<Leg>& legs) {
        for (const Leg& leg : legs) {
            if (leg.jump) {
                jumpTo(leg.x, leg.z);
            } else {
                walkTo(leg.x, leg.z);
            }
            if (HasFatalFailure() || gameOver) {
                return;
            }
        }
    }

    Player* player = nullptr;
};

}  // namespace

TEST_F(Playthrough, TheCourseCanBeWonWithAllThreeArtifacts) {
    const bool J = true, W = false;
    run({
        {W, -1.5f, -2.0f}, {W, -1.5f, 2.0f}, {W, 0.0f, 4.0f}, {W, 0.0f, 14.0f},  // round the mirror cube, over the bridge
        {W, 12.0f, 14.0f}, {W, 12.0f, 14.9f}, {J, 12.0f, 20.0f}, {W, 12.0f, 25.0f},
        {W, 1.1f, 25.0f}, {J, -3.5f, 25.0f}, {W, -10.0f, 25.0f}, {W, -10.0f, 25.9f}, {J, -10.0f, 30.5f},
        {W, -10.0f, 35.0f}, {W, -22.0f, 35.0f}, {W, -22.0f, 45.0f}, {W, -18.0f, 45.0f},
        {W, -18.0f, 45.9f}, {J, -18.0f, 51.5f}, {W, -18.0f, 53.5f},  // the Coin of Command
        {W, -18.0f, 50.1f}, {J, -18.0f, 45.0f}, {W, -9.1f, 45.0f}, {J, -4.0f, 45.0f},
        {W, 3.4f, 45.0f}, {J, 8.5f, 45.0f}, {W, 10.0f, 45.0f}, {W, 10.0f, 52.0f},
        {W, 21.0f, 52.0f},  // the Bone Atlas
        {W, 10.0f, 52.0f}, {W, 10.0f, 52.9f}, {J, 10.0f, 58.0f}, {W, 10.0f, 64.5f},
        {W, 9.1f, 64.5f}, {J, 5.0f, 64.5f}, {W, 0.0f, 64.5f}, {W, 0.0f, 69.0f},  // the Eldritch Legacy
        {W, 0.0f, 64.5f}, {W, -0.9f, 64.5f}, {J, -6.0f, 64.5f}, {W, -12.5f, 64.5f},
        {W, -12.5f, 65.4f}, {J, -12.5f, 70.5f}, {W, -12.5f, 80.0f}, {W, -4.6f, 80.0f}, {J, 0.0f, 80.0f},
        {W, 0.0f, 87.9f}, {J, 0.0f, 93.0f}, {W, 0.0f, 95.0f},
    });
    ASSERT_FALSE(HasFatalFailure());
    for (int i = 0; i < 5 && !gameOver; ++i) fixedStep();

    EXPECT_FALSE(lostByFall);
    EXPECT_FALSE(lostByTime);
    EXPECT_TRUE(allArtifactsCollected);
    EXPECT_EQ(artifactPresent, (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(statusMessage, std::string("Eldritch  Legacy"));
    EXPECT_TRUE(narBagPending && narMapPending && narChestPending);
    EXPECT_TRUE(escaped);
    EXPECT_TRUE(gameOver);
    EXPECT_TRUE(outroSoundPending);
}

TEST_F(Playthrough, TheGoalWithoutTheArtifactsIsNoEscape) {
    // Straight over the bridge is impossible: the goal is reached only by the long way, so
    // put the thief onto the goal platform directly.
    player->controller->setPosition(glm::dvec3(0.0, -1.33, -95.0));
    player->position = glm::vec3(0.0f, -1.33f, -95.0f);
    for (int i = 0; i < 120; ++i) fixedStep();
    EXPECT_EQ(player->position.y, restHeight);
    EXPECT_FALSE(escaped);
    EXPECT_FALSE(gameOver);
}
