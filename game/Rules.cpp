#include "state/GameState.h"

#include <glm/geometric.hpp>

#include "state/GlobalState.h"
#include "state/Player.h"
#include "game/Rules.h"

namespace {

// Physics-space heights.
constexpr float abyssDepth = -24.0f;          // below this the run is lost
constexpr float escapeLineZ = -92.0f;         // past this, on the goal platform, the thief escapes
constexpr float escapeMaxHeight = -1.33f;     // no escape while jumping over the line
constexpr float abyssSoundTop = -1.4f;
constexpr float abyssSoundBottom = -2.0f;
constexpr float landingArmHeight = -0.5f;     // a jump this high makes the next landing audible
constexpr float pickupRadius = 2.0f;

const glm::vec3 startPosition(0.0f, -1.33f, 16.5f);
constexpr float startYaw = 270.0f;

bool* const narrationFlags[artifactCount] = {&narBagPending, &narChestPending, &narMapPending};

bool anyArtifactPresent() {
    for (bool present : artifactPresent) {
        if (present) {
            return true;
        }
    }
    return false;
}

}  // namespace

void checkGameRules() {
    if (gameOver) {
        return;
    }
    GameState& state = *GameState::getInstance();
    const glm::vec3 p = Player::getInstance()->position;

    // The run's clock starts again when the intro ends, so time spent on the title or loading
    // screen must not end the run: on a machine too slow to show the title within the time
    // limit the run would otherwise be lost before it began.
    if (!introActive && state.elapsed > state.timeLimit) {
        lostByTime = true;
        gameOver = true;
        state.textTicks = 0;
        textFadeAlpha = 0.0f;
    }
    // Independent of the time-out: both ends may come in one step.
    if (p.y < abyssDepth) {
        lostByFall = true;
        gameOver = true;
        abyssSoundPending = false;
        landingArmed = false;
        state.textTicks = 0;
        textFadeAlpha = 0.0f;
    }
    // Both see the artifacts as they were before this step's pickups.
    const bool allTaken = !anyArtifactPresent();
    if (allTaken) {
        allArtifactsCollected = true;
    }
    if (p.z < escapeLineZ && allTaken && p.y < escapeMaxHeight) {
        escaped = true;
        outroSoundPending = true;
        gameOver = true;
        state.textTicks = 0;
        state.endScreenTicks = 0;
        textFadeAlpha = 0.0f;
    }
    if (p.y > abyssSoundBottom && p.y < abyssSoundTop) {
        abyssSoundPending = true;
    }
    if (p.y > landingArmHeight && !landingArmed) {
        landingArmed = true;
    }
    for (int i = 0; i < artifactCount; ++i) {
        // Artifact positions are level coordinates; the player's z is physics space.
        const glm::vec3& a = artifactPositions[i];
        const float d = glm::length(glm::vec3(a.x - p.x, a.y - p.y, a.z + p.z));
        if (d < pickupRadius && artifactPresent[i]) {
            artifactPresent[i] = false;
            *narrationFlags[i] = true;
            statusMessage = artifactNames[i];
            statusMessageTimer = 0.0f;
            state.statusTicks = 0;
        }
    }
}

void resetGame() {
    // Before the title sequence has been seen there is no run to restart.
    if (!introDone) {
        return;
    }
    GameState& state = *GameState::getInstance();
    Player& player = *Player::getInstance();

    player.position = startPosition;
    player.yaw = startYaw;
    // The facing follows the start yaw (towards the goal, physics z decreasing), so a movement
    // key held through the restart walks the thief forward, not backwards off the platform.
    player.front = facingForYaw(startYaw);
    player.inAir = true;
    player.verticalSpeed = -1.0f;
    player.right = glm::normalize(glm::cross(player.front, player.worldUp));
    if (player.controller) {
        player.controller->setPosition(glm::dvec3(startPosition));
        player.controller->setUpDirection(player.front);
    }

    landingArmed = false;
    state.elapsed = 0.0;
    loadingScreen = true;
    artifactPresent = {true, true, true};
    allArtifactsCollected = false;
    lostByTime = false;
    lostByFall = false;
    escaped = false;
    gameOver = false;
    narBagPending = false;
    narChestPending = false;
    narMapPending = false;
    statusMessageTimer = 0.0f;
    state.statusTicks = 440;  // no status message shows
    textFadeAlpha = 0.0f;
    state.textTicks = 0;
    state.endScreenTicks = 0;

    state.startTimer();

    restoreLoopsAndIdleOnRestart();

    abyssSoundPending = false;
    outroSoundPending = false;
    clockTicking = false;
    introActive = true;
}
