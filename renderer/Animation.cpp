#include "renderer/Animation.h"

#include <cmath>
#include <initializer_list>
#include <utility>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <glm/gtc/matrix_transform.hpp>

#include "platform/system/Console.h"

namespace {

// The pair of keys around `time` and the factor between them. Returns the number of keys to
// use: 0 (empty track), 1 (`k` alone: a single key, or at/after the last key time) or 2.
template <typename Key>
int keyPairAt(const std::vector<Key>& keys, float time, std::size_t& k, float& factor) {
    const std::size_t n = keys.size();
    if (n == 0) {
        return 0;
    }
    if (n == 1) {
        k = 0;
        return 1;
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (keys[i + 1].timeStamp > time) {
            k = i;
            const float span = keys[i + 1].timeStamp - keys[i].timeStamp;
            // Keys out of order or at the same time give no span to divide by.
            factor = span > 0.0f ? (time - keys[i].timeStamp) / span : 0.0f;
            return 2;
        }
    }
    k = n - 1;
    return 1;
}

glm::quat normalizedOrIdentity(const glm::quat& q) {
    const float length = glm::length(q);
    return length > 0.0f ? q / length : glm::quat(1.0f, 0.0f, 0.0f, 0.0f);
}

// Translation, rotation and scale of an affine matrix without skew or perspective, the way
// glm::decompose reads them, but defined for every input: a zero-length axis keeps scale 0 and
// an identity direction instead of dividing by zero, and a mirroring matrix takes its sign
// into the scale.
struct Trs {
    glm::vec3 translation{0.0f};
    glm::quat orientation{1.0f, 0.0f, 0.0f, 0.0f};
    glm::vec3 scale{1.0f};
};

Trs decomposeTrs(const glm::mat4& m) {
    Trs parts;
    parts.translation = glm::vec3(m[3]);
    glm::mat3 rotation(1.0f);
    for (int c = 0; c < 3; ++c) {
        const glm::vec3 column(m[c]);
        parts.scale[c] = glm::length(column);
        if (parts.scale[c] > 0.0f) {
            rotation[c] = column / parts.scale[c];
        }
    }
    if (glm::determinant(rotation) < 0.0f) {
        parts.scale = -parts.scale;
        rotation = -rotation;
    }
    parts.orientation = normalizedOrIdentity(glm::quat_cast(rotation));
    return parts;
}

glm::mat4 composeTrs(const glm::vec3& translation, const glm::quat& orientation, const glm::vec3& scale) {
    return glm::translate(glm::mat4(1.0f), translation) * glm::mat4_cast(orientation) *
           glm::scale(glm::mat4(1.0f), scale);
}

// A node's own transformation in the three parts of a sampled pose, so that a node the previous
// clip does not animate can still be blended.
BoneTransforms splitTransform(const glm::mat4& m) {
    const Trs parts = decomposeTrs(m);
    return {glm::translate(glm::mat4(1.0f), parts.translation), glm::mat4_cast(parts.orientation),
            glm::scale(glm::mat4(1.0f), parts.scale)};
}

}  // namespace

// ---- Bone -------------------------------------------------------------------------------

Bone::Bone(std::string name, const aiNodeAnim* channel) : name(std::move(name)) {
    if (channel != nullptr) {
        for (unsigned int i = 0; i < channel->mNumPositionKeys; ++i) {
            const aiVectorKey& key = channel->mPositionKeys[i];
            positions.push_back({glm::vec3(key.mValue.x, key.mValue.y, key.mValue.z), static_cast<float>(key.mTime)});
        }
        for (unsigned int i = 0; i < channel->mNumRotationKeys; ++i) {
            const aiQuatKey& key = channel->mRotationKeys[i];
            rotations.push_back({glm::quat(key.mValue.w, key.mValue.x, key.mValue.y, key.mValue.z),
                                 static_cast<float>(key.mTime)});
        }
        for (unsigned int i = 0; i < channel->mNumScalingKeys; ++i) {
            const aiVectorKey& key = channel->mScalingKeys[i];
            scales.push_back({glm::vec3(key.mValue.x, key.mValue.y, key.mValue.z), static_cast<float>(key.mTime)});
        }
    }
    numPositions = static_cast<std::int32_t>(positions.size());
    numRotations = static_cast<std::int32_t>(rotations.size());
    numScalings = static_cast<std::int32_t>(scales.size());
}

Bone::Bone(std::string name, std::vector<KeyPosition> positions, std::vector<KeyRotation> rotations,
           std::vector<KeyScale> scales)
    : positions(std::move(positions)),
      rotations(std::move(rotations)),
      scales(std::move(scales)),
      numPositions(static_cast<std::int32_t>(this->positions.size())),
      numRotations(static_cast<std::int32_t>(this->rotations.size())),
      numScalings(static_cast<std::int32_t>(this->scales.size())),
      name(std::move(name)) {}

glm::mat4 Bone::positionAt(float time) const {
    std::size_t k = 0;
    float f = 0.0f;
    switch (keyPairAt(positions, time, k, f)) {
        case 0:
            return glm::mat4(1.0f);
        case 1:
            return glm::translate(glm::mat4(1.0f), positions[k].position);
        default:
            return glm::translate(glm::mat4(1.0f), (1.0f - f) * positions[k].position + f * positions[k + 1].position);
    }
}

glm::mat4 Bone::rotationAt(float time) const {
    std::size_t k = 0;
    float f = 0.0f;
    switch (keyPairAt(rotations, time, k, f)) {
        case 0:
            return glm::mat4(1.0f);
        case 1:
            return glm::mat4_cast(glm::normalize(rotations[k].orientation));
        default:
            return glm::mat4_cast(
                normalizedOrIdentity(glm::slerp(rotations[k].orientation, rotations[k + 1].orientation, f)));
    }
}

glm::mat4 Bone::scaleAt(float time) const {
    std::size_t k = 0;
    float f = 0.0f;
    switch (keyPairAt(scales, time, k, f)) {
        case 0:
            return glm::mat4(1.0f);
        case 1:
            return glm::scale(glm::mat4(1.0f), scales[k].scale);
        default:
            return glm::scale(glm::mat4(1.0f), (1.0f - f) * scales[k].scale + f * scales[k + 1].scale);
    }
}

BoneTransforms Bone::update(float time) {
    BoneTransforms pose{positionAt(time), rotationAt(time), scaleAt(time)};
    localTransform = pose.translation * pose.rotation * pose.scale;
    return pose;
}

// ---- Animation --------------------------------------------------------------------------

void copyNodeHierarchy(AnimationNode& destination, const aiNode* source) {
    destination.name = source->mName.C_Str();
    destination.transformation = toGlmMatrix(source->mTransformation);
    destination.childrenCount = static_cast<std::int32_t>(source->mNumChildren);
    destination.children.clear();
    destination.children.reserve(source->mNumChildren);
    for (unsigned int i = 0; i < source->mNumChildren; ++i) {
        AnimationNode child;
        copyNodeHierarchy(child, source->mChildren[i]);
        destination.children.push_back(std::move(child));
    }
}

Animation::Animation(const std::string& path, Model* model) {
    Model scratch;  // stands in for a missing model, so the clip still gets its bone map
    Model& target = model != nullptr ? *model : scratch;

    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate);
    if (scene == nullptr || scene->mRootNode == nullptr) {
        consoleLine(std::string("ERROR::ASSIMP:: ") + importer.GetErrorString());
        boneMap = target.boneMap;
        return;
    }
    copyNodeHierarchy(root, scene->mRootNode);
    if (scene->mNumAnimations == 0 || scene->mAnimations[0] == nullptr) {
        consoleLine("ERROR::ANIMATION:: no animation in " + path);
        boneMap = target.boneMap;
        return;
    }

    const aiAnimation* animation = scene->mAnimations[0];
    duration = static_cast<float>(animation->mDuration);
    if (!(duration >= 0.0f)) {
        duration = 0.0f;  // a damaged file's negative or NaN length: the clip does not wrap
    }
    const double ticks = animation->mTicksPerSecond;
    // Truncated toward zero; a value no int can hold (a damaged file) plays nothing.
    ticksPerSecond = (ticks >= 0.0 && ticks < 2147483647.0) ? static_cast<std::int32_t>(ticks) : 0;
    loadBones(animation, target);
}

void Animation::loadBones(const aiAnimation* animation, Model& model) {
    for (unsigned int i = 0; i < animation->mNumChannels; ++i) {
        const aiNodeAnim* channel = animation->mChannels[i];
        const std::string name = channel->mNodeName.C_Str();
        if (model.boneMap.find(name) == model.boneMap.end()) {
            // An animated node that drives no vertex: its matrix is computed, and stays unused.
            model.boneMap[name] = BoneRecord{model.boneCounter, glm::mat4(0.0f)};
            ++model.boneCounter;
        }
        bones.push_back(std::make_shared<Bone>(name, channel));
    }
    boneMap = model.boneMap;
}

std::shared_ptr<Bone> Animation::findBone(const std::string& name) const {
    for (const std::shared_ptr<Bone>& bone : bones) {
        if (bone->name == name) {
            return bone;
        }
    }
    return nullptr;
}

// ---- Animator ---------------------------------------------------------------------------

Animator::Animator(Animation* animation)
    : finalBoneMatrices(boneMatrixCount, glm::mat4(1.0f)),
      currentAnimation(animation),
      previousAnimation(animation) {}

void Animator::restart(Animation* animation) {
    finalBoneMatrices.assign(boneMatrixCount, glm::mat4(1.0f));
    currentAnimation = previousAnimation = animation;
    currentTime = previousTime = blend = 0.0f;
    for (glm::mat4* m : {&previousTranslation, &previousRotation, &previousScale, &currentTranslation,
                         &currentRotation, &currentScale, &blendedTranslation, &blendedRotation, &blendedScale}) {
        *m = glm::mat4(1.0f);
    }
}

void Animator::computeBoneTransform(const AnimationNode* node, const glm::mat4& parentTransform) {
    if (node == nullptr || currentAnimation == nullptr) {
        return;
    }
    glm::mat4 local = node->transformation;
    if (std::shared_ptr<Bone> bone = currentAnimation->findBone(node->name)) {
        if (blend == 0.0f) {
            bone->update(currentTime);
            local = bone->localTransform;
        } else {
            std::shared_ptr<Bone> previous =
                previousAnimation != nullptr ? previousAnimation->findBone(node->name) : nullptr;
            const BoneTransforms before = previous ? previous->update(previousTime) : splitTransform(node->transformation);
            previousTranslation = before.translation;
            previousRotation = before.rotation;
            previousScale = before.scale;
            const BoneTransforms now = bone->update(currentTime);
            currentTranslation = now.translation;
            currentRotation = now.rotation;
            currentScale = now.scale;

            blendedTranslation = blendTransforms(currentTranslation, previousTranslation);
            blendedRotation = glm::mat4_cast(normalizedOrIdentity(
                glm::slerp(glm::quat_cast(currentRotation), glm::quat_cast(previousRotation), blend)));
            blendedScale = blendTransforms(currentScale, previousScale);
            local = blendedTranslation * blendedRotation * blendedScale;
        }
    }

    const glm::mat4 global = parentTransform * local;
    const auto record = currentAnimation->boneMap.find(node->name);
    if (record != currentAnimation->boneMap.end()) {
        const std::int32_t id = record->second.id;
        if (id >= 0 && static_cast<std::size_t>(id) < finalBoneMatrices.size()) {
            finalBoneMatrices[static_cast<std::size_t>(id)] = global * record->second.offset;
        }
    }
    for (const AnimationNode& child : node->children) {
        computeBoneTransform(&child, global);
    }
}

glm::mat4 Animator::blendTransforms(const glm::mat4& a, const glm::mat4& b) const {
    const Trs first = decomposeTrs(a);
    const Trs second = decomposeTrs(b);
    const float f = blend;
    return composeTrs((1.0f - f) * first.translation + f * second.translation,
                      glm::slerp(first.orientation, second.orientation, f),
                      (1.0f - f) * first.scale + f * second.scale);
}

float wrapClipTime(float time, float duration) {
    return duration > 0.0f ? std::fmod(time, duration) : time;
}
