#pragma once

// A physics world built like the game's, with a small level: one long platform, a wall on it,
// the 1x1x1 cube at the origin and the sun's sphere far down -z. Released in the game's
// shutdown order.

#include <glm/glm.hpp>

#include "platform/physics/Physics.h"

namespace test {

constexpr float kStep = 1.0f / 60.0f;

// Platform: centre (0, -2.5, 0), half extents (5, 0.25, 15); its top is at y = -2.25.
constexpr float kPlatformTop = -2.25f;
// Wall on the platform: x from 3 to 4, z from -11 to -5.
constexpr float kWallX = 3.0f;
// The player's box: half height 0.3 (along the facing), side 0.9 (vertical), forward 0.45.
constexpr float kHalfAlong = 0.3f;
constexpr float kHalfUp = 0.9f;
constexpr float kHalfAcross = 0.45f;
constexpr float kContactOffset = 0.01f;

struct TestWorld {
    phys::Foundation* foundation = nullptr;
    phys::Physics* physics = nullptr;
    phys::CpuDispatcher* dispatcher = nullptr;
    phys::Scene* scene = nullptr;
    phys::ControllerManager* manager = nullptr;
    phys::Material* material = nullptr;

    phys::Shape* platform = nullptr;
    phys::Shape* wall = nullptr;
    phys::Shape* cube = nullptr;
    phys::Shape* sun = nullptr;

    explicit TestWorld(unsigned threads = 2, bool withLevel = true);
    ~TestWorld();
    TestWorld(const TestWorld&) = delete;
    TestWorld& operator=(const TestWorld&) = delete;

    phys::Shape* addBox(const glm::vec3& centre, const glm::vec3& halfExtents,
                        phys::ShapeFlags flags = phys::ShapeFlags(11));
    phys::Shape* addSphere(const glm::vec3& centre, float radius);
    // The game's controller: facing is the up direction, contact offset 0.01.
    phys::Controller* addPlayer(const glm::dvec3& position, const glm::vec3& facing = {0.0f, 0.0f, -1.0f});
};

// The game's motion model for one fixed step: walk by `walk` (horizontal), fall under its
// gravity, land with vertical speed -0.5.
struct Walker {
    phys::Controller* controller;
    glm::vec3 position;
    float verticalSpeed = 0.0f;
    bool inAir = false;

    explicit Walker(phys::Controller* c);
    void step(const glm::vec3& walk = glm::vec3(0.0f));
    // Settles the controller with idle steps.
    void rest(int steps = 60);
};

// Facing along yaw degrees, as the game computes it.
glm::vec3 facingForYaw(float yawDegrees);

}  // namespace test
