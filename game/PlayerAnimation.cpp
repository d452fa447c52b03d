#include "game/PlayerAnimation.h"

#include <limits>

#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"

namespace {

// The band of controller heights (physics space) that counts as standing on the ground; both
// ends included. Compared in single precision, as the controller reports the height.
constexpr float groundTop = -1.32f;
constexpr float groundBottom = -1.36f;

constexpr std::int32_t stateValue(PlayerAnimationState s) {
    return static_cast<std::int32_t>(s);
}

}  // namespace

void selectPlayerAnimation(PlayerModel& model, Player& player) {
    const bool movementKeyHeld = player.moveForward || player.moveBack || player.moveLeft || player.moveRight;
    selectPlayerAnimation(model, player.position.y, movementKeyHeld);
}

void selectPlayerAnimation(PlayerModel& model, float playerHeight, bool movementKeyHeld) {
    model.previousState = model.state;
    model.state = stateValue(PlayerAnimationState::Idle);
    // A jump is recognised by height alone; the space key takes no part.
    if (playerHeight > groundTop) {
        model.state = stateValue(PlayerAnimationState::Jumping);
    } else if (playerHeight < groundBottom) {
        model.state = stateValue(PlayerAnimationState::Falling);
    } else if (movementKeyHeld) {
        model.state = stateValue(PlayerAnimationState::Running);
    } else if (model.idleCounter >= model.idleLimit) {
        model.state = stateValue(PlayerAnimationState::Dancing);
    }

    if (turnLeft || turnRight) {
        model.idleCounter = 0;
        turnLeft = false;
        turnRight = false;
    }

    // Dancing keeps the counter, so the dance goes on until the player moves, leaves the ground
    // band or turns.
    if (model.state == stateValue(PlayerAnimationState::Idle)) {
        ++model.idleCounter;
    } else if (model.state != stateValue(PlayerAnimationState::Dancing)) {
        model.idleCounter = 0;
    }

    if (model.state != model.previousState) {
        model.crossFade = 1.0f;
        model.crossFadeCounter = 0;
        if (Animation* clip = model.clipFor(model.state)) {
            Animator& animator = model.animator;
            // The clip faded out under a jump stands at its time 0; any other stands where it was.
            if (model.state == stateValue(PlayerAnimationState::Jumping)) {
                animator.currentTime = 0.0f;
            }
            animator.previousAnimation = animator.currentAnimation;
            animator.previousTime = animator.currentTime;
            animator.currentTime = 0.0f;
            animator.currentAnimation = clip;
        }
    }

    if (model.crossFadeCounter < std::numeric_limits<std::int32_t>::max()) {
        ++model.crossFadeCounter;
    }
    model.crossFade = model.crossFadeFrames > 0
                          ? 1.0f - static_cast<float>(model.crossFadeCounter) / static_cast<float>(model.crossFadeFrames)
                          : 0.0f;
    if (model.crossFade < 0.0f) {
        model.crossFade = 0.0f;
    }
}

void stepPlayerAnimation(PlayerModel& model, Player& player, float dt) {
    selectPlayerAnimation(model, player);
    Animator& animator = model.animator;
    animator.blend = model.crossFade;
    if (Animation* current = animator.currentAnimation) {
        animator.currentTime += static_cast<float>(current->ticksPerSecond) * dt;
        animator.currentTime = wrapClipTime(animator.currentTime, current->duration);
        // The clip being faded out holds its pose: wrapped, never advanced.
        if (animator.previousAnimation != nullptr) {
            animator.previousTime = wrapClipTime(animator.previousTime, animator.previousAnimation->duration);
        }
        animator.computeBoneTransform(&current->root, glm::mat4(1.0f));
    }
    model.boneMatrices = animator.finalBoneMatrices;
}

void animatePlayer(PlayerModel& model) {
    if (updateTick && !renderingCubemap) {
        stepPlayerAnimation(model, *Player::getInstance(), static_cast<float>(GameState::getInstance()->particleDt));
    }
}
