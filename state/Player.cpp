#include "state/Player.h"

#include <algorithm>
#include <cmath>
#include <iostream>

#include <glm/geometric.hpp>

#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/PhysicsWorld.h"
#include "state/Settings.h"

namespace {

constexpr float degreesToRadians = 0.017453292f;

// The player's box: half extents 0.5, 1.5 and 0.75 times a player scale of 0.6. With the
// controller's up direction along the facing, the box stands 0.9 tall, 0.3 deep and 0.45 wide.
constexpr float controllerHalfHeight = 0.3f;
constexpr float controllerHalfSideExtent = 0.9f;
constexpr float controllerHalfForwardExtent = 0.45f;
constexpr float controllerContactOffset = 0.01f;

// The one Player has been made. Making it puts a controller into the physics world, so the test
// reset puts back only a Player that exists.
bool playerMade = false;

}  // namespace

glm::vec3 facingForYaw(float yawDegrees) {
    const float a = yawDegrees * degreesToRadians;
    return glm::normalize(glm::vec3(std::cos(a), 0.0f, std::sin(a)));
}

Player* Player::getInstance() {
    static Player instance;
    playerMade = true;
    return &instance;
}

Player::Player() {
    yaw = 270.0f;
    phys::Material* material = physxPhysics ? physxPhysics->createMaterial(0.5f, 0.5f, 0.6f) : nullptr;
    front = facingForYaw(yaw);
    right = glm::normalize(glm::cross(front, worldUp));
    controllerManager = ::controllerManager;
    controllerDesc.upDirection = front;
    controllerDesc.halfHeight = controllerHalfHeight;
    controllerDesc.halfSideExtent = controllerHalfSideExtent;
    controllerDesc.halfForwardExtent = controllerHalfForwardExtent;
    controllerDesc.material = material;
    // The -1.33 is the float widened to double, as everywhere the controller's height is compared.
    controllerDesc.position = glm::dvec3(0.0, static_cast<double>(-1.33f), 16.5);
    controllerDesc.contactOffset = controllerContactOffset;
    createController();
    position = glm::vec3(0.0f, -1.33f, 16.5f);
}

void Player::createController() {
    controller = controllerManager ? controllerManager->createController(controllerDesc) : nullptr;
    if (!controller) {
        std::cout << "ERROR: the player's character controller could not be created; the player cannot move."
                  << std::endl;
    }
}

void Player::resetForTests() {
    if (!playerMade) {
        return;
    }
    Player* player = getInstance();
    if (player->controller) {
        player->controller->release();
    }
    *player = Player();
}

void Player::update(float dt) {
    if (!controller) {
        isMoving = false;
        walking = false;
        return;
    }
    dt = std::clamp(dt, 0.0f, maxStepSeconds);

    previousY = position.y;
    nextPosition = position;
    stepLength = -gravity * dt * speedFactor;

    // Only the first held key counts: there are no diagonal moves.
    if (moveForward) {
        nextPosition += stepLength * front;
    } else if (moveBack) {
        nextPosition -= stepLength * front;
    } else if (moveRight) {
        nextPosition += stepLength * right;
    } else if (moveLeft) {
        nextPosition -= stepLength * right;
    }
    walking = (moveForward || moveBack || moveLeft || moveRight) && !inAir;

    if (jumpRequested) {
        GameState& state = *GameState::getInstance();
        if (!inAir && state.jumpTicks > 70) {
            state.jumpTicks = 0;
            walking = false;
            jumpSoundPending = true;
            verticalSpeed = -jumpFactor * gravity;
            inAir = true;
            // The request stays set; the next step finds the player in the air and drops it.
        } else {
            // A request that cannot be served now is dropped, not kept for later.
            jumpRequested = false;
        }
    }

    const float v = std::max(verticalSpeed, fallSpeedFactor * gravity);
    nextPosition.y += v * dt * 0.5f;
    verticalSpeed = v + 2.0f * gravity * dt;

    displacement = nextPosition - position;
    moveVector = displacement;
    controller->move(moveVector, minMoveDistance, dt);
    const glm::dvec3 reached = controller->getPosition();
    nextPosition = glm::vec3(static_cast<float>(reached.x), static_cast<float>(reached.y),
                             static_cast<float>(reached.z));

    // Exact comparison on purpose: resting on a platform the controller returns the same height
    // bit for bit, and any change, up or down, means the player is airborne.
    inAir = previousY != nextPosition.y;

    if (position.y < -1.33f && !inAir) {
        verticalSpeed = -0.5f;
        if (landingArmed) {
            landingSoundPending = true;
            landingArmed = false;
        }
    }

    isMoving = glm::length(nextPosition - position) > 0.00001f;
    position = nextPosition;
}

float Player::turnByMouse(float dx, float dt) {
    if (introActive) {
        return yaw;
    }
    // Without a window width there is nothing to measure the travel against.
    if (currentWidth <= 0) {
        return yaw;
    }
    // Whole multiples of the configured width only, so a 1920-wide screen for a 1280 window
    // needs 1920 units for the full turn; never below 1, or a screen narrower than the
    // configured window would stop the turn altogether.
    const int widthRatio = windowWidth > 0 ? currentWidth / windowWidth : 1;
    const float scale = static_cast<float>(std::max(1, widthRatio));
    const float speed = std::fabs(dx) * scale / static_cast<float>(currentWidth);

    if (dx < 0.0f) {
        yaw -= speed * turnFactor;
        turnLeft = true;
    } else if (dx > 0.0f) {
        yaw += speed * turnFactor;
        turnRight = true;
    }
    // No remainder carries over: 364 becomes 0 and -4 becomes 360.
    if (yaw > 360.0f) {
        yaw = 0.0f;
    }
    if (yaw < 0.0f) {
        yaw = 360.0f;
    }

    front = facingForYaw(yaw);
    right = glm::normalize(glm::cross(front, worldUp));

    if (controller) {
        // The box turns with the facing; two cancelling moves let it settle into the new orientation.
        controller->setUpDirection(front);
        controller->move(glm::vec3(minMoveDistance, 0.0f, 0.0f), 0.0f, dt);
        controller->move(glm::vec3(-minMoveDistance, 0.0f, 0.0f), 0.0f, dt);
    }
    return yaw;
}
