#include "state/GlobalState.h"

bool introActive = true;
bool introDone = false;
bool loadingScreen = false;
bool introEnding = false;
bool gameOver = false;
bool lostByTime = false;
bool lostByFall = false;
bool escaped = false;
bool allArtifactsCollected = false;

bool paused = false;
bool pauseRequested = false;
bool clockPaused = false;
bool pauseSnapshotTaken = false;
bool restartRequested = false;
bool fadeIn = false;
bool fadeOut = false;

bool updateTick = false;
bool physicsTicked = false;
bool lowRefreshMonitor = false;

bool muted = false;
bool hideTimer = false;
bool wireframe = false;
bool faceCulling = false;

bool abyssSoundPending = false;
bool landingArmed = false;
bool landingSoundPending = false;
bool jumpSoundPending = false;
bool walking = false;
bool outroSoundPending = false;
bool narBagPending = false;
bool narChestPending = false;
bool narMapPending = false;
bool titleSoundPending = false;
bool ambiencePending = false;
bool introSoundRequested = false;
bool clockTicking = false;

bool turnLeft = false;
bool turnRight = false;
bool renderingCubemap = false;
bool flareVisible = false;
glm::vec2 sunScreenPos(0.0f);
unsigned int envCubemapTexture = 0;

float textFadeAlpha = 0.0f;
float statusMessageTimer = 0.0f;
float fallFade = 0.0f;
float fallOverlayFade = 0.0f;
float escapeFade = 0.0f;
float timeoutFade = 0.0f;
float blendFactor = 1.0f;
float introLoopFactor = 0.5f;

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
std::array<bool, artifactCount> artifactPresent = {true, true, true};
const glm::vec3 compassPosition(0.0f, 1.0f, 105.0f);
std::string statusMessage;

void resetGlobalState() {
    introActive = true;
    introDone = loadingScreen = introEnding = gameOver = false;
    lostByTime = lostByFall = escaped = allArtifactsCollected = false;
    paused = pauseRequested = clockPaused = pauseSnapshotTaken = restartRequested = false;
    fadeIn = fadeOut = false;
    updateTick = physicsTicked = lowRefreshMonitor = false;
    muted = hideTimer = wireframe = faceCulling = false;
    abyssSoundPending = landingArmed = landingSoundPending = jumpSoundPending = walking = false;
    outroSoundPending = narBagPending = narChestPending = narMapPending = false;
    titleSoundPending = ambiencePending = introSoundRequested = clockTicking = false;
    turnLeft = turnRight = renderingCubemap = flareVisible = false;
    sunScreenPos = glm::vec2(0.0f);
    envCubemapTexture = 0;
    textFadeAlpha = statusMessageTimer = fallFade = fallOverlayFade = escapeFade = timeoutFade = 0.0f;
    blendFactor = 1.0f;
    introLoopFactor = 0.5f;
    artifactPresent = {true, true, true};
    statusMessage.clear();
}
