#pragma once
// The third-person camera: on a circle of radius 3 behind the player, 1.5 above the player's
// centre but never above y = 0.16, looking the way the player faces and tilted by the mouse.
// Its position and axes are in physics space; the view matrix maps render space (z not negated).
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

struct GLFWwindow;

class Camera {
public:
    float sensitivity = 0.05f;          // degrees of pitch per screen unit of vertical travel
    glm::vec3 worldUp{0.0f, 1.0f, 0.0f};
    float distance = 3.0f;              // radius of the circle around the player
    float yaw = 0.0f;                   // degrees, derived from the player's yaw
    float pitch = 3.0f;                 // degrees, within [-15, 28]
    float aspect;                       // windowWidth / windowHeight at construction
    float fov = 45.0f;                  // vertical, degrees
    float lastX, lastY;                 // cursor position of the previous update
    double cursorX = 0.0, cursorY = 0.0;
    // Kept by the environment capture while it borrows the camera.
    float savedYaw = 0.0f, savedPitch = 0.0f, savedAspect = 0.0f;
    glm::vec3 savedFront{0.0f}, savedUp{0.0f};
    glm::vec3 offset{0.0f, 1.5f, 3.0f}; // eye relative to the player; y stays 1.5
    glm::vec3 position{0.0f};           // the eye
    glm::vec3 front{0.0f};
    glm::vec3 up{0.0f};
    glm::vec3 right{0.0f};
    glm::mat4 view{0.0f};
    glm::mat4 projection{0.0f};

    // Where the cursor is read from: glfwGetCursorPos unless a test replaces it (null puts it back).
    using CursorSource = void (*)(GLFWwindow*, double*, double*);
    static void setCursorSource(CursorSource source);

    static Camera* getInstance();

    Camera();

    // Reads the cursor, tilts, turns the player, places the eye and rebuilds axes and matrices.
    void update(GLFWwindow* window);

    // yaw from the player's yaw, then the axes and the projection.
    void followPlayer();

    // The axes (right and up stored negated) and the projection from the camera's own yaw and
    // pitch; the environment capture points the camera along the cube faces with it.
    void updateVectors();

    // Puts the one Camera back to its initial values (tests).
    static void resetForTests();

private:
    void rebuildProjection();
};
