#include "state/GlobalState.h"

namespace {
using ArtifactFlags = std::array<bool, artifactCount>;
}  // namespace

// Every global of the table that resetStateForTests() puts back, once, with its initial value:
// the definitions below and the reset are both made from this list, so a reset cannot put back
// anything but what the program starts with. A new global of the table goes into this list.
#define STATE_GLOBALS(X)                                                             \
    /* settings */                                                                   \
    X(int, windowWidth, settingDefaults::windowWidth)                                \
    X(int, windowHeight, settingDefaults::windowHeight)                              \
    X(float, refreshRate, static_cast<float>(settingDefaults::refreshRate))          \
    X(bool, fullscreen, settingDefaults::fullscreen)                                 \
    X(std::string, windowTitle, settingDefaults::windowTitle)                        \
    X(float, brightness, static_cast<float>(settingDefaults::brightness))            \
    X(glm::vec3, gammaVector, glm::vec3(1.0f / displayGamma))                        \
    X(bool, monitorAspectRatioDetection, settingDefaults::monitorAspectRatioDetection) \
    X(bool, vsync, settingDefaults::vsync)                                           \
    X(bool, showFPS, settingDefaults::showFPS)                                       \
    X(bool, performanceMode, settingDefaults::performanceMode)                       \
    X(bool, presentationMode, settingDefaults::presentationMode)                     \
    /* the window as it really is */                                                 \
    X(int, currentWidth, settingDefaults::windowWidth)                               \
    X(int, currentHeight, settingDefaults::windowHeight)                             \
    X(bool, is16by9, false)                                                          \
    X(int, windowPosX, 0)                                                            \
    X(int, windowPosY, 0)                                                            \
    /* screens and the run */                                                        \
    X(bool, introActive, true)                                                       \
    X(bool, introDone, false)                                                        \
    X(bool, loadingScreen, false)                                                    \
    X(bool, introEnding, false)                                                      \
    X(bool, gameOver, false)                                                         \
    X(bool, lostByTime, false)                                                       \
    X(bool, lostByFall, false)                                                       \
    X(bool, escaped, false)                                                          \
    X(bool, allArtifactsCollected, false)                                            \
    /* pause and restart */                                                          \
    X(bool, paused, false)                                                           \
    X(bool, pauseRequested, false)                                                   \
    X(bool, clockPaused, false)                                                      \
    X(bool, pauseSnapshotTaken, false)                                               \
    X(bool, pausePictureShown, false)                                                \
    X(bool, restartRequested, false)                                                 \
    X(bool, fadeIn, false)                                                           \
    X(bool, fadeOut, false)                                                          \
    /* frame bookkeeping */                                                          \
    X(bool, updateTick, false)                                                       \
    X(bool, physicsTicked, false)                                                    \
    X(bool, lowRefreshMonitor, false)                                                \
    /* display switches */                                                           \
    X(bool, muted, false)                                                            \
    X(bool, hideTimer, false)                                                        \
    X(bool, wireframe, false)                                                        \
    X(bool, faceCulling, false)                                                      \
    /* sound events */                                                               \
    X(bool, abyssSoundPending, false)                                                \
    X(bool, landingArmed, false)                                                     \
    X(bool, landingSoundPending, false)                                              \
    X(bool, jumpSoundPending, false)                                                 \
    X(bool, walking, false)                                                          \
    X(bool, outroSoundPending, false)                                                \
    X(bool, narBagPending, false)                                                    \
    X(bool, narChestPending, false)                                                  \
    X(bool, narMapPending, false)                                                    \
    X(bool, titleSoundPending, false)                                                \
    X(bool, ambiencePending, false)                                                  \
    X(bool, introSoundRequested, false)                                              \
    X(bool, clockTicking, false)                                                     \
    /* animation and rendering */                                                    \
    X(bool, turnLeft, false)                                                         \
    X(bool, turnRight, false)                                                        \
    X(bool, renderingCubemap, false)                                                 \
    X(bool, flareVisible, false)                                                     \
    X(glm::vec2, sunScreenPos, glm::vec2(0.0f))                                      \
    X(unsigned int, envCubemapTexture, 0)                                            \
    /* fades */                                                                      \
    X(float, textFadeAlpha, 0.0f)                                                    \
    X(float, statusMessageTimer, 0.0f)                                               \
    X(float, fallFade, 0.0f)                                                         \
    X(float, fallOverlayFade, 0.0f)                                                  \
    X(float, escapeFade, 0.0f)                                                       \
    X(float, timeoutFade, 0.0f)                                                      \
    X(float, blendFactor, 1.0f)                                                      \
    X(float, introLoopFactor, 0.5f)                                                  \
    /* the artifacts */                                                              \
    X(ArtifactFlags, artifactPresent, (ArtifactFlags{true, true, true}))             \
    X(std::string, statusMessage, std::string())

#define DEFINE_STATE_GLOBAL(type, name, initial) type name = initial;
STATE_GLOBALS(DEFINE_STATE_GLOBAL)
#undef DEFINE_STATE_GLOBAL

bool drawEveryPassInFull = false;

const std::array<glm::vec3, artifactCount> artifactPositions = {
    glm::vec3(-18.0f, -1.5f, 54.0f),
    glm::vec3(0.0f, -1.56f, 69.5f),
    glm::vec3(22.0f, -0.95f, 52.0f),
};
const std::array<const char*, artifactCount> artifactNames = {
    "Coin  of  Command",
    "Eldritch  Legacy",
    "Bone  Atlas",
};
const glm::vec3 compassPosition(0.0f, 1.0f, 105.0f);

void resetStateForTests() { resetStateForTests(settingDefaults::windowWidth, settingDefaults::windowHeight); }

void resetStateForTests(int width, int height) {
#define RESET_STATE_GLOBAL(type, name, initial) name = initial;
    STATE_GLOBALS(RESET_STATE_GLOBAL)
#undef RESET_STATE_GLOBAL
    windowWidth = currentWidth = width;
    windowHeight = currentHeight = height;

    *GameState::getInstance() = GameState();
    // After the window: the camera takes its aspect from it when it is made.
    Camera::resetForTests();
    if (controllerManager != nullptr) {
        Player::resetForTests();
    }
}
