#include "state/Camera.h"

#include <GLFW/glfw3.h>

#include <cmath>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "state/Settings.h"

namespace {

constexpr float degreesToRadians = 0.017453292f;
constexpr float maxPitch = 28.0f;
constexpr float minPitch = -15.0f;
constexpr float maxEyeHeight = 0.16f;
constexpr float nearPlane = 0.1f;
constexpr float farPlane = 250.0f;

Camera::CursorSource cursorSource = nullptr;

glm::vec3 directionFor(float yawDegrees, float pitchDegrees) {
    const float y = yawDegrees * degreesToRadians;
    const float p = pitchDegrees * degreesToRadians;
    return glm::normalize(glm::vec3(std::cos(y) * std::cos(p), std::sin(p), std::sin(y) * std::cos(p)));
}

}  // namespace

void Camera::setCursorSource(CursorSource source) { cursorSource = source; }

Camera* Camera::getInstance() {
    static Camera instance;
    return &instance;
}

Camera::Camera()
    : aspect(windowHeight > 0 ? static_cast<float>(windowWidth) / static_cast<float>(windowHeight) : 1.0f),
      lastX(static_cast<float>(windowWidth) * 0.5f),
      lastY(static_cast<float>(windowHeight) * 0.5f) {}

void Camera::resetForTests() { *getInstance() = Camera(); }

void Camera::update(GLFWwindow* window) {
    Player& player = *Player::getInstance();
    const GameState& state = *GameState::getInstance();

    (cursorSource ? cursorSource : glfwGetCursorPos)(window, &cursorX, &cursorY);
    const float dx = static_cast<float>(cursorX - static_cast<double>(lastX));
    const float dy = static_cast<float>(static_cast<double>(lastY) - cursorY);
    // Taken over during the intro as well, so travel made then is dropped, not applied later.
    lastX = static_cast<float>(cursorX);
    lastY = static_cast<float>(cursorY);

    if (!introActive) {
        pitch -= dy * sensitivity;
        if (pitch > maxPitch) {
            pitch = maxPitch;
        }
        if (pitch < minPitch) {
            pitch = minPitch;
        }
    }

    const float playerYaw = player.turnByMouse(dx, static_cast<float>(state.delta));
    const float a = playerYaw * 3.1415927f / 180.0f;
    offset.x = -(std::cos(a) * distance);
    offset.z = -(std::sin(a) * distance);

    position = offset + player.position;
    if (position.y > maxEyeHeight) {
        position.y = maxEyeHeight;
    }

    followPlayer();

    // Rows right, up, front; the eye's z enters with a plus sign because the eye is in physics
    // space and the scene is drawn in render space (z not negated).
    glm::mat4 rotation(1.0f);
    for (int column = 0; column < 3; ++column) {
        rotation[column][0] = right[column];
        rotation[column][1] = up[column];
        rotation[column][2] = front[column];
    }
    view = rotation * glm::translate(glm::mat4(1.0f), glm::vec3(-position.x, -position.y, position.z));
}

void Camera::followPlayer() {
    yaw = std::fmod(360.0f - (Player::getInstance()->yaw + 180.0f), 360.0f);
    front = directionFor(yaw, pitch);
    right = glm::normalize(glm::cross(front, worldUp));
    up = glm::normalize(glm::cross(right, front));
    rebuildProjection();
}

void Camera::updateVectors() {
    front = directionFor(yaw, pitch);
    right = glm::normalize(glm::cross(front, worldUp));
    up = glm::normalize(glm::cross(right, front));
    // The cube-face captures rely on the negated pair.
    right = -right;
    up = -up;
    rebuildProjection();
}

void Camera::rebuildProjection() {
    projection = glm::perspective(fov * degreesToRadians, aspect, nearPlane, farPlane);
}
