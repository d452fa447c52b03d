#pragma once
// The thief: a box character controller moved once per fixed step by a simple motion model
// (walking speed, gravity, jump, fall-speed cap) and turned by the mouse.
// Positions and directions are in physics space (level space with z negated), so walking
// forward from the start decreases z.
#include <glm/vec3.hpp>

#include "platform/physics/Physics.h"

class Player {
public:
    bool isMoving = false;                              // the last step moved more than 0.00001
    glm::vec3 position{0.0f, -1.33f, 16.5f};            // controller centre after the last step
    float previousY = 0.0f;                             // position.y at the start of the last step
    float stepLength = 0.0f;                            // ground distance of the last step
    glm::vec3 nextPosition{0.0f};                       // step target, then the position read back
    glm::vec3 displacement{0.0f};
    float yaw = 270.0f;                                 // degrees about the vertical axis
    float verticalSpeed = 0.0f;                         // positive up
    glm::vec3 front{0.0f, 0.0f, -1.0f};                 // horizontal facing
    glm::vec3 right{1.0f, 0.0f, 0.0f};
    glm::vec3 moveVector{0.0f};                         // what the controller is asked to move
    phys::BoxControllerDesc controllerDesc;
    phys::ControllerManager* controllerManager = nullptr;
    phys::Controller* controller = nullptr;             // null when the physics world could not make one
    bool moveForward = false;                           // W held
    bool moveBack = false;                              // S held
    bool moveLeft = false;                              // A held
    bool moveRight = false;                             // D held
    bool jumpRequested = false;                         // Space pressed, request not yet served
    bool inAir = false;                                 // the last move changed the height
    glm::vec3 worldUp{0.0f, 1.0f, 0.0f};
    float minMoveDistance = 0.001f;
    float speedFactor = 0.7f;
    float gravity = -9.81f;
    float jumpFactor = 0.9f;                            // take-off speed -jumpFactor * gravity = 8.829
    float fallSpeedFactor = 1.5f;                       // fall speed capped at fallSpeedFactor * gravity
    float turnFactor = 150.0f;                          // degrees per full window width of mouse travel

    // The longest step the motion model takes at once (seconds). After a stall the frame loop
    // would hand over the whole stall, which could carry the player off a platform in one move.
    // A tenth of a second still lets a machine that renders only ten frames a second move the
    // thief at full speed.
    static constexpr float maxStepSeconds = 0.1f;

    static Player* getInstance();

    // Creates the controller's material and the controller on the current physics world.
    Player();

    // One fixed step: keys, jump and gravity into one controller move; reads the position back.
    void update(float dt);

    // Turns by horizontal cursor travel dx (screen units); returns the new yaw.
    float turnByMouse(float dx, float dt);

    // Puts the one Player back to a freshly constructed one: releases its controller and makes
    // a new one (tests; the physics world the player was made on must still exist). Does nothing
    // before the Player has been made: the first getInstance makes a fresh one anyway.
    static void resetForTests();

private:
    void createController();
};

// Facing for a yaw in degrees: normalize(cos yaw, 0, sin yaw).
glm::vec3 facingForYaw(float yawDegrees);
