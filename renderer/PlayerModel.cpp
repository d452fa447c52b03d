#include "renderer/PlayerModel.h"

namespace {

constexpr std::int32_t stateValue(PlayerAnimationState s) {
    return static_cast<std::int32_t>(s);
}

}  // namespace

PlayerModel* PlayerModel::getInstance() {
    static PlayerModel* instance = [] {
        static PlayerModel model;
        model.load();
        static GlReleaseEntry releaseAtShutdown([] { model.release(); });
        return &model;
    }();
    return instance;
}

void PlayerModel::load(const std::string& directory, bool upload) {
    state = stateValue(PlayerAnimationState::Idle);
    previousState = stateValue(PlayerAnimationState::Idle);
    idleCounter = 0;
    crossFadeCounter = crossFadeFrames;
    crossFade = 0.0f;

    Model loaded;
    loaded.load(directory + "/idle.dae", upload);
    model = std::move(loaded);

    // The order decides which ids the clips' weightless animated nodes receive.
    runningAnimation = Animation(directory + "/running.dae", &model);
    jumpAnimation = Animation(directory + "/jump.dae", &model);
    idleAnimation = Animation(directory + "/idle.dae", &model);
    dancingAnimation = Animation(directory + "/dancing.dae", &model);
    fallingAnimation = Animation(directory + "/falling.dae", &model);

    // The running clip plays after loading, although the state says idle, until the first
    // change of state or the screen reset.
    animator = Animator(&runningAnimation);
}

void PlayerModel::resetToIdle() {
    state = stateValue(PlayerAnimationState::Idle);
    previousState = stateValue(PlayerAnimationState::Idle);
    crossFade = 0.0f;
    idleCounter = 0;
    // Every frame of an end screen comes here: the animator starts over in place.
    animator.restart(&idleAnimation);
}

void PlayerModel::release() {
    model.release();
    shader.reset();
}

Animation* PlayerModel::clipFor(std::int32_t animationState) {
    switch (static_cast<PlayerAnimationState>(animationState)) {
        case PlayerAnimationState::Running:
            return &runningAnimation;
        case PlayerAnimationState::Jumping:
            return &jumpAnimation;
        case PlayerAnimationState::Idle:
            return &idleAnimation;
        case PlayerAnimationState::Dancing:
            return &dancingAnimation;
        case PlayerAnimationState::Falling:
            return &fallingAnimation;
    }
    return nullptr;
}
