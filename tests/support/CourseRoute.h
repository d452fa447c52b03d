#pragma once
// A way through the level that wins it: walk and jump from the start to the three artifacts
// and on to the goal platform. The driver steers the thief as a player would (face a point,
// hold forward, press jump) and leaves each fixed step to the caller, so the same route runs
// through the game's fixed step alone and through its whole frame update.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include <glm/geometric.hpp>

#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"

namespace course {

constexpr float restHeight = -1.34f;  // the controller's centre standing on a platform

struct Leg {
    bool jump;   // take off here towards the point, else walk to it
    float x, z;  // level coordinates
};

inline std::vector<Leg> winningRoute() {
    const bool J = true, W = false;
    return {
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
    };
}

// Turns the thief towards a point given in level coordinates (the player lives in physics
// space, where z is negated), as the mouse turn does.
inline void face(Player& player, float levelX, float levelZ) {
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

inline float distanceTo(const Player& player, float levelX, float levelZ) {
    return glm::length(glm::vec2(levelX - player.position.x, -levelZ - player.position.z));
}

class Driver {
public:
    // `fixedStep` advances the game by one fixed step of 1/60 s.
    Driver(Player& player, std::function<void()> fixedStep) : player_(player), step_(std::move(fixedStep)) {}

    void walkTo(float x, float z) {
        int steps = 0;
        while (distanceTo(player_, x, z) > 0.15f && steps < 3000 && !gameOver) {
            face(player_, x, z);
            player_.moveForward = true;
            step_();
            ++steps;
            ASSERT_GT(player_.position.y, restHeight - 0.05f)
                << "fell walking to (" << x << ", " << z << ") at (" << player_.position.x << ", "
                << -player_.position.z << ")";
        }
        player_.moveForward = false;
        ASSERT_LT(steps, 3000) << "could not reach (" << x << ", " << z << ") from (" << player_.position.x
                               << ", " << -player_.position.z << ")";
    }

    // Takes off towards a landing point, keeps walking in the air until it is reached, then
    // waits for the landing.
    void jumpTo(float x, float z) {
        while (GameState::getInstance()->jumpTicks <= 70) step_();
        face(player_, x, z);
        player_.jumpRequested = true;
        player_.moveForward = true;
        int steps = 0;
        while (steps < 600 && !gameOver) {
            if (distanceTo(player_, x, z) < 0.2f) {
                player_.moveForward = false;
            } else {
                face(player_, x, z);
            }
            step_();
            ++steps;
            if (steps > 5 && !player_.inAir && player_.position.y == restHeight) {
                break;
            }
        }
        player_.moveForward = false;
        ASSERT_FALSE(lostByFall) << "fell short of (" << x << ", " << z << ")";
        ASSERT_EQ(player_.position.y, restHeight) << "did not land at (" << x << ", " << z << ")";
    }

    // Stops at the first failed leg or once the run is over.
    void run(const std::vector<Leg>& legs) {
        for (const Leg& leg : legs) {
            if (leg.jump) {
                jumpTo(leg.x, leg.z);
            } else {
                walkTo(leg.x, leg.z);
            }
            if (::testing::Test::HasFatalFailure() || gameOver) {
                return;
            }
        }
    }

private:
    Player& player_;
    std::function<void()> step_;
};

}  // namespace course
