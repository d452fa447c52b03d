#pragma once
// Skeletal animation: clips of keyframes read through Assimp and an animator that samples the
// current clip, cross-fades it with the previous one and writes the 100 bone matrices the
// animated-model program receives as "finalBonesMatrices".
//
// Times are ticks of the clip file's time base; a clip advances by ticksPerSecond ticks per
// second of game time (the owner advances and wraps the times, not the animator).
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include "renderer/Model.h"

struct aiAnimation;
struct aiNode;
struct aiNodeAnim;

struct KeyPosition {
    glm::vec3 position{0.0f};
    float timeStamp = 0.0f;
};

struct KeyRotation {
    glm::quat orientation{1.0f, 0.0f, 0.0f, 0.0f};
    float timeStamp = 0.0f;
};

struct KeyScale {
    glm::vec3 scale{1.0f};
    float timeStamp = 0.0f;
};

struct BoneTransforms {
    glm::mat4 translation{1.0f};
    glm::mat4 rotation{1.0f};
    glm::mat4 scale{1.0f};
};

// The keyframes of one animated node. Sampling between two keys interpolates (translation and
// scale linearly, rotation by slerp); before the first key the first pair is extrapolated; at or
// after the last key time the last key holds; an empty track is the identity.
class Bone {
public:
    Bone(std::string name, const aiNodeAnim* channel);
    // Keys built in memory (tests, tools).
    Bone(std::string name, std::vector<KeyPosition> positions, std::vector<KeyRotation> rotations,
         std::vector<KeyScale> scales);

    glm::mat4 positionAt(float time) const;
    glm::mat4 rotationAt(float time) const;
    glm::mat4 scaleAt(float time) const;

    // The pose at `time`; localTransform = translation * rotation * scale.
    BoneTransforms update(float time);

    std::vector<KeyPosition> positions;
    std::vector<KeyRotation> rotations;
    std::vector<KeyScale> scales;
    std::int32_t numPositions = 0;
    std::int32_t numRotations = 0;
    std::int32_t numScalings = 0;
    glm::mat4 localTransform{1.0f};
    std::string name;
};

struct AnimationNode {
    glm::mat4 transformation{1.0f};  // relative to the parent node
    std::string name;
    std::int32_t childrenCount = 0;
    std::vector<AnimationNode> children;
};

// Fills `destination` with `source`'s name, transformation and whole subtree.
void copyNodeHierarchy(AnimationNode& destination, const aiNode* source);

// One clip. The default clip is empty (no bones, duration 0, 0 ticks per second).
class Animation {
public:
    Animation() = default;
    // Reads the file's first animation and extends the model's bone map with the animated nodes
    // that drive no vertex. A file that does not import, or holds no animation, prints why and
    // gives an empty clip (the node hierarchy and bone map are still taken when there are some).
    Animation(const std::string& path, Model* model);

    // The first bone of the clip with that name, or an empty pointer.
    std::shared_ptr<Bone> findBone(const std::string& name) const;

    void loadBones(const aiAnimation* animation, Model& model);

    std::int32_t ticksPerSecond = 0;  // truncated toward zero
    float duration = 0.0f;            // ticks
    std::vector<std::shared_ptr<Bone>> bones;
    AnimationNode root;
    std::map<std::string, BoneRecord> boneMap;
};

// Plays currentAnimation, fading out previousAnimation by `blend`.
class Animator {
public:
    static constexpr int boneMatrixCount = 100;  // the animated-model program's array length

    // Both clips `animation` (may be null), both times 0, 100 identity matrices.
    explicit Animator(Animation* animation = nullptr);

    // Becomes what a new Animator on `animation` is, keeping the storage of the matrix list.
    void restart(Animation* animation);

    // Writes the skinning matrix of every node of the subtree whose name is in the current clip's
    // bone map; ids outside [0, 100) have no matrix and are skipped.
    void computeBoneTransform(const AnimationNode* node, const glm::mat4& parentTransform);

    // a (the current clip's) and b (the previous clip's) blended by `blend`: 0 gives a, 1 gives b.
    glm::mat4 blendTransforms(const glm::mat4& a, const glm::mat4& b) const;

    std::vector<glm::mat4> finalBoneMatrices;
    Animation* currentAnimation = nullptr;   // not owned
    Animation* previousAnimation = nullptr;  // not owned
    float currentTime = 0.0f;
    float previousTime = 0.0f;
    float blend = 0.0f;  // 0: the current clip alone; 1: the previous clip alone

    // Scratch space of the blended bone being computed; nothing carries between bones.
    glm::mat4 previousTranslation{1.0f}, previousRotation{1.0f}, previousScale{1.0f};
    glm::mat4 currentTranslation{1.0f}, currentRotation{1.0f}, currentScale{1.0f};
    glm::mat4 blendedTranslation{1.0f}, blendedRotation{1.0f}, blendedScale{1.0f};
};

// The floating-point remainder of a clip time by the clip's duration; a clip of no length (or a
// negative one) leaves the time as it is, so nothing divides by zero.
float wrapClipTime(float time, float duration);
