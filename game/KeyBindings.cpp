#include "game/KeyBindings.h"

#include "platform/gl/GL.h"  // before GLFW, which would include the system GL header

#include <GLFW/glfw3.h>

#include <iostream>

#include "game/Rules.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "platform/gl/GlfwPlatform.h"
#include "platform/system/Clock.h"

namespace {

constexpr float brightnessStep = 0.5f;
constexpr float minBrightness = 0.01f;
constexpr float maxBrightness = 10.0f;

void toggleFullscreen(GLFWwindow* window) {
    if (!fullscreen) {
        GLFWmonitor* monitor = glfwGetPrimaryMonitor();
        const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
        if (!mode) {
            // Without a mode there is no size to switch to: stay windowed.
            std::cout << "Full screen unavailable: no video mode of the primary monitor." << std::endl;
            return;
        }
        fullscreen = true;
        currentWidth = mode->width;
        currentHeight = mode->height;
        glfwSetWindowMonitor(window, monitor, 0, 0, mode->width, mode->height, mode->refreshRate);
    } else {
        fullscreen = false;
        currentWidth = windowWidth;
        currentHeight = windowHeight;
        glfwSetWindowMonitor(window, nullptr, windowPosX, windowPosY, windowWidth, windowHeight, 0);
    }
    // Every pass draws into the viewport as it stands; nothing else sets it for the window (the
    // screens draw no capture, which would put it back after its faces).
    glViewport(0, 0, currentWidth, currentHeight);
    // A ratio test: after a toggle a 1920 x 1080 monitor counts as 16:9.
    is16by9 = currentHeight > 0 &&
              static_cast<float>(currentWidth) / static_cast<float>(currentHeight) == 16.0f / 9.0f;
    // The swap interval does not survive the switch.
    glfwPlatform::setSwapInterval(vsync);
}

void onPress(Player& player, int key) {
    if (paused || introActive) {
        return;
    }
    switch (key) {
    case GLFW_KEY_W: player.moveForward = true; break;
    case GLFW_KEY_S: player.moveBack = true; break;
    case GLFW_KEY_A: player.moveLeft = true; break;
    case GLFW_KEY_D: player.moveRight = true; break;
    case GLFW_KEY_SPACE: player.jumpRequested = true; break;
    default: break;
    }
}

void onRelease(GLFWwindow* window, Player& player, int key) {
    switch (key) {
    // The jump request is not cleared on release: a tap still jumps on the next fixed step.
    case GLFW_KEY_W: player.moveForward = false; break;
    case GLFW_KEY_S: player.moveBack = false; break;
    case GLFW_KEY_A: player.moveLeft = false; break;
    case GLFW_KEY_D: player.moveRight = false; break;
    case GLFW_KEY_N:
        if (paused) {
            // The frame loop resumes the clock first, then restarts. Released before the first
            // paused frame stopped the clock, the pause has no start yet: it lasted nothing, and
            // an old start would shift the frame clocks by the time since that earlier pause.
            if (!clockPaused) {
                GameState::getInstance()->pauseStart = clockSeconds();
            }
            clockPaused = true;
            paused = false;
            restartRequested = true;
        } else {
            resetGame();
        }
        break;
    case GLFW_KEY_M: muted = !muted; break;
    case GLFW_KEY_U:
        if (presentationMode) {
            hideTimer = true;
        }
        break;
    case GLFW_KEY_P:
        if (!introActive && !gameOver) {
            if (!paused) {
                pauseRequested = true;
            }
            paused = !paused;
        }
        break;
    case GLFW_KEY_ESCAPE: glfwSetWindowShouldClose(window, GLFW_TRUE); break;
    default: break;
    }

    if (paused) {
        return;
    }
    switch (key) {
    case GLFW_KEY_ENTER: toggleFullscreen(window); break;
    case GLFW_KEY_F1:
        wireframe = !wireframe;
        glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
        break;
    case GLFW_KEY_F2:
        faceCulling = !faceCulling;
        if (faceCulling) {
            glEnable(GL_CULL_FACE);
        } else {
            glDisable(GL_CULL_FACE);
        }
        break;
    case GLFW_KEY_F3:
        brightness -= brightnessStep;
        if (brightness < minBrightness) {
            brightness = minBrightness;
        }
        applyBrightness();
        break;
    case GLFW_KEY_F4:
        brightness += brightnessStep;
        if (brightness > maxBrightness) {
            brightness = maxBrightness;
        }
        applyBrightness();
        break;
    case GLFW_KEY_F5: showFPS = !showFPS; break;
    default: break;
    }
}

}  // namespace

void keyCallback(GLFWwindow* window, int key, int /*scancode*/, int action, int /*mods*/) {
    Player& player = *Player::getInstance();
    if (action == GLFW_PRESS) {
        onPress(player, key);
    } else if (action == GLFW_RELEASE) {
        onRelease(window, player, key);
    }
}
