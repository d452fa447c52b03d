#pragma once
// The animated thief: the skinned model, its five clips and the animator that plays them. The
// choice of clip from the player's height and keys is the game's (game/PlayerAnimation.h).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "renderer/Animation.h"
#include "renderer/Model.h"

class Shader;

// The values stored in `state` and `previousState`; 3 and 4 are not used.
enum class PlayerAnimationState : std::int32_t {
    Running = 0,
    Jumping = 1,
    Idle = 2,
    Dancing = 5,
    Falling = 6,
};

class PlayerModel {
public:
    // The one player model, made and loaded on the first call.
    static PlayerModel* getInstance();

    // Empty model and clips, an animator without a clip; nothing is read (load() does that).
    PlayerModel() = default;

    PlayerModel(const PlayerModel&) = delete;
    PlayerModel& operator=(const PlayerModel&) = delete;

    // Reads "<directory>/idle.dae" as the model and the five clips from the same directory, then
    // starts the animator on the running clip. Files are opened relative to the working
    // directory. `upload` false reads everything without an OpenGL call (tests).
    void load(const std::string& directory = "../assets/models/playerModel", bool upload = true);

    // The screen reset at the end of the intro and on the end screens: idle, no cross-fade.
    void resetToIdle();

    // Gives back the model's OpenGL names and this object's share of the program (shutdown,
    // while the context exists).
    void release();

    // The clip a state plays; null for the unused values 3 and 4.
    Animation* clipFor(std::int32_t animationState);

    std::int32_t state = static_cast<std::int32_t>(PlayerAnimationState::Idle);
    std::int32_t previousState = static_cast<std::int32_t>(PlayerAnimationState::Idle);
    std::shared_ptr<Shader> shader;
    Model model;
    Animator animator;
    Animation runningAnimation;
    Animation jumpAnimation;
    Animation idleAnimation;
    Animation dancingAnimation;
    Animation fallingAnimation;
    std::vector<glm::mat4> boneMatrices;  // the matrices of the last animation step, as uploaded
    float crossFade = 0.0f;               // 1 right after a clip change, falling to 0
    std::int32_t crossFadeFrames = 15;
    std::int32_t crossFadeCounter = 15;
    std::int32_t idleCounter = 0;
    std::int32_t idleLimit = 1000;        // idle selections before the thief dances
};
