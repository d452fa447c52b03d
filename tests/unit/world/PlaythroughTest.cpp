// A whole run through the level on the real physics layer and rules: walk and jump from the
// start to the three artifacts and on to the goal platform. It proves the course can be won
// with the thief's motion model and catches a controller that snags on edges and seams.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "WorldStubs.h"
#include "game/Rules.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"
#include "support/CourseRoute.h"

namespace {

constexpr float step60 = 1.0f / 60.0f;

// One fixed step as the game update runs it.
void fixedStep() {
    GameState::getInstance()->jumpTicks += 1;
    checkGameRules();
    if (!gameOver) {
        Player::getInstance()->update(step60);
    }
    stepPhysics();
}

class Playthrough : public ::testing::Test {
protected:
    void SetUp() override {
        resetWorld();
        player = Player::getInstance();
        for (int i = 0; i < 10; ++i) fixedStep();
    }

    Player* player = nullptr;
};

}  // namespace

TEST_F(Playthrough, TheCourseCanBeWonWithAllThreeArtifacts) {
    course::Driver(*player, fixedStep).run(course::winningRoute());
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
    EXPECT_EQ(player->position.y, course::restHeight);
    EXPECT_FALSE(escaped);
    EXPECT_FALSE(gameOver);
}
