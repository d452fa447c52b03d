// A whole run through the level on the real physics layer and rules, stepped by the game's own
// fixed step on a clock the test moves: walk and jump from the start to the three artifacts and
// on to the goal platform. It proves the course can be won with the thief's motion model and
// catches a controller that snags on edges and seams.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "support/WorldStubs.h"
#include "game/FixedStep.h"
#include "platform/system/Clock.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "support/CourseRoute.h"

namespace {

// Seconds on the game's clock. Whole multiples of the step are exact in double precision, so
// every call below sees exactly one step's time.
double now = 0.0;

// The mouse rests where the camera starts it, the middle of the 1280 x 768 window: no turn.
void restingCursor(GLFWwindow*, double* x, double* y) {
    *x = 640.0;
    *y = 384.0;
}

// One fixed step through the game's own update, with no window.
void fixedStep() {
    now += fixedStepSeconds;
    advanceFixedStep(*GameState::getInstance(), *Player::getInstance(), *Camera::getInstance(), nullptr);
    ASSERT_TRUE(updateTick) << "one step's time ran no step";
}

class Playthrough : public ::testing::Test {
protected:
    void SetUp() override {
        resetWorld();
        now = 0.0;
        setClockSecondsSource([] { return now; });
        setClockTickSource([] { return static_cast<std::uint32_t>(now * 1000.0); });
        Camera::setCursorSource(restingCursor);
        player = Player::getInstance();
        for (int i = 0; i < 10; ++i) fixedStep();
    }
    void TearDown() override {
        Camera::setCursorSource(nullptr);
        resetClockSources();
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
