// Keyframe sampling, clip bones from in-memory Assimp data, the bone-matrix walk and the
// cross-fade, without a file or an OpenGL context.
#include <cmath>

#include <assimp/anim.h>
#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "renderer/Animation.h"

namespace {

glm::quat aroundZ(float degrees) { return glm::angleAxis(glm::radians(degrees), glm::vec3(0, 0, 1)); }

glm::mat4 translation(float x, float y, float z) { return glm::translate(glm::mat4(1.0f), glm::vec3(x, y, z)); }

glm::mat4 pose(glm::vec3 t, float degreesAboutY, float s) {
    return glm::scale(glm::rotate(glm::translate(glm::mat4(1.0f), t), glm::radians(degreesAboutY), glm::vec3(0, 1, 0)),
                      glm::vec3(s));
}

void expectMatrixNear(const glm::mat4& expected, const glm::mat4& actual) {
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_NEAR(expected[c][r], actual[c][r], 1e-5f) << "column " << c << ", row " << r;
        }
    }
}

glm::vec3 at(const glm::mat4& m) { return glm::vec3(m[3]); }

}  // namespace

TEST(BoneSampling, InterpolatesExtrapolatesBeforeAndHoldsAfterTheKeys) {
    const Bone bone("b", {{{0, 0, 0}, 0.0f}, {{10, 0, 0}, 10.0f}, {{10, 20, 0}, 20.0f}}, {}, {});
    EXPECT_EQ(glm::vec3(5, 0, 0), at(bone.positionAt(5.0f)));
    EXPECT_EQ(glm::vec3(10, 0, 0), at(bone.positionAt(10.0f)));  // pair (1, 2), factor 0
    EXPECT_EQ(glm::vec3(10, 10, 0), at(bone.positionAt(15.0f)));
    EXPECT_EQ(glm::vec3(-5, 0, 0), at(bone.positionAt(-5.0f)));  // first pair, factor -0.5
    EXPECT_EQ(glm::vec3(10, 20, 0), at(bone.positionAt(20.0f)));
    EXPECT_EQ(glm::vec3(10, 20, 0), at(bone.positionAt(1000.0f)));
}

TEST(BoneSampling, EmptyOneKeyRotationAndScaleTracks) {
    // Rotation keys twice unit length still give rotations.
    Bone bone("b", {}, {{aroundZ(0.0f) * 2.0f, 0.0f}, {aroundZ(90.0f) * 2.0f, 10.0f}}, {{{2, 4, 1}, 7.0f}});
    EXPECT_EQ(glm::mat4(1.0f), bone.positionAt(4.0f));
    expectMatrixNear(glm::mat4_cast(aroundZ(45.0f)), bone.rotationAt(5.0f));
    expectMatrixNear(glm::mat4_cast(aroundZ(90.0f)), bone.rotationAt(99.0f));
    EXPECT_EQ(glm::scale(glm::mat4(1.0f), glm::vec3(2, 4, 1)), bone.scaleAt(-3.0f));
    const BoneTransforms sampled = bone.update(5.0f);
    expectMatrixNear(sampled.translation * sampled.rotation * sampled.scale, bone.localTransform);

    Bone scales("s", {}, {}, {{{1, 1, 1}, 0.0f}, {{3, 5, 1}, 4.0f}});
    EXPECT_EQ(glm::scale(glm::mat4(1.0f), glm::vec3(2, 3, 1)), scales.scaleAt(2.0f));
}

TEST(BoneSampling, KeysSharingATimeGiveNoNaN) {
    Bone bone("b", {{{1, 0, 0}, 5.0f}, {{2, 0, 0}, 5.0f}, {{3, 0, 0}, 6.0f}},
              {{aroundZ(10.0f), 5.0f}, {aroundZ(20.0f), 5.0f}}, {});
    for (float t : {-1.0f, 5.0f, 5.5f}) {
        const glm::mat4 local = bone.positionAt(t) * bone.rotationAt(t);
        for (int i = 0; i < 16; ++i) {
            ASSERT_TRUE(std::isfinite(local[i / 4][i % 4])) << t;
        }
    }
}

TEST(ClipTime, WrapsByDurationButNotByNothing) {
    EXPECT_FLOAT_EQ(5.0f, wrapClipTime(25.0f, 20.0f));
    EXPECT_FLOAT_EQ(7.5f, wrapClipTime(7.5f, 0.0f));
    EXPECT_FLOAT_EQ(7.5f, wrapClipTime(7.5f, -3.0f));
}

TEST(ClipBones, ReorderedQuaternionsAndWeightlessNodesWithZeroOffsets) {
    Model model;
    model.boneMap["hips"] = BoneRecord{0, translation(0, -1, 0)};
    model.boneCounter = 1;
    aiAnimation animation;
    animation.mNumChannels = 2;
    animation.mChannels = new aiNodeAnim*[2]{new aiNodeAnim, new aiNodeAnim};
    animation.mChannels[0]->mNodeName = aiString("prop");
    animation.mChannels[1]->mNodeName = aiString("hips");
    const glm::quat q = aroundZ(90.0f);  // Assimp stores (w, x, y, z)
    animation.mChannels[1]->mNumRotationKeys = 1;
    animation.mChannels[1]->mRotationKeys = new aiQuatKey[1]{{0.25, aiQuaternion(q.w, q.x, q.y, q.z)}};

    Animation clip;
    clip.loadBones(&animation, model);
    ASSERT_EQ(2u, clip.bones.size());
    EXPECT_EQ(clip.bones[1], clip.findBone("hips"));
    EXPECT_EQ(nullptr, clip.findBone("head"));
    EXPECT_EQ(1, clip.bones[1]->numRotations);
    EXPECT_FLOAT_EQ(0.25f, clip.bones[1]->rotations[0].timeStamp);
    expectMatrixNear(glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 0, 1)), clip.bones[1]->rotationAt(0));
    EXPECT_EQ(2, model.boneCounter);
    EXPECT_EQ(1, model.boneMap["prop"].id);
    EXPECT_EQ(glm::mat4(0.0f), model.boneMap["prop"].offset);
    EXPECT_EQ(2u, clip.boneMap.size());

    clip.root.name = "prop";  // its matrix is computed all the same, and is all zeros
    Animator animator(&clip);
    animator.computeBoneTransform(&clip.root, glm::mat4(1.0f));
    EXPECT_EQ(glm::mat4(0.0f), animator.finalBoneMatrices[1]);
}

namespace {

// "armature" (no bone) -> "upper" at (0, 1, 0) -> "lower" at (0, 1, 0) relative to it. The clip
// turns "upper" from 0 to 90 degrees about z over 10 ticks and holds "lower" at 90.
Animation twoBoneChain() {
    Animation clip;
    clip.duration = 10.0f;
    clip.root.name = "armature";
    AnimationNode upper{translation(0, 1, 0), "upper", 1, {AnimationNode{translation(0, 1, 0), "lower", 0, {}}}};
    clip.root.children.push_back(upper);
    clip.root.childrenCount = 1;
    clip.bones.push_back(std::make_shared<Bone>("upper", std::vector<KeyPosition>{{{0, 1, 0}, 0.0f}},
                                                std::vector<KeyRotation>{{aroundZ(0), 0.0f}, {aroundZ(90), 10.0f}},
                                                std::vector<KeyScale>{}));
    clip.bones.push_back(std::make_shared<Bone>("lower", std::vector<KeyPosition>{{{0, 1, 0}, 0.0f}},
                                                std::vector<KeyRotation>{{aroundZ(90), 0.0f}}, std::vector<KeyScale>{}));
    clip.boneMap["upper"] = BoneRecord{0, translation(0, -1, 0)};  // inverse bind matrices
    clip.boneMap["lower"] = BoneRecord{1, translation(0, -2, 0)};
    return clip;
}

}  // namespace

TEST(BoneMatrices, TwoBoneChainMatchesHandComputedValues) {
    Animation clip = twoBoneChain();
    Animator animator(&clip);
    animator.currentTime = 5.0f;  // upper at 45 degrees
    animator.computeBoneTransform(&clip.root, glm::mat4(1.0f));

    const float h = std::sqrt(0.5f);
    // upper = T(0,1,0) Rz45 T(0,-1,0): Rz45 with translation (h, 1 - h, 0).
    glm::mat4 upper(1.0f);
    upper[0] = glm::vec4(h, h, 0, 0);
    upper[1] = glm::vec4(-h, h, 0, 0);
    upper[3] = glm::vec4(h, 1.0f - h, 0, 1);
    expectMatrixNear(upper, animator.finalBoneMatrices[0]);
    // lower = T(0,1,0) Rz45 T(0,1,0) Rz90 T(0,-2,0): Rz135 with translation (h, 1 + 3h, 0).
    glm::mat4 lower(1.0f);
    lower[0] = glm::vec4(-h, h, 0, 0);
    lower[1] = glm::vec4(-h, -h, 0, 0);
    lower[3] = glm::vec4(h, 1.0f + 3.0f * h, 0, 1);
    expectMatrixNear(lower, animator.finalBoneMatrices[1]);
    for (std::size_t i = 2; i < animator.finalBoneMatrices.size(); ++i) {
        ASSERT_EQ(glm::mat4(1.0f), animator.finalBoneMatrices[i]) << i;
    }

    // A node outside the bone map writes nothing, but its children are still walked.
    clip.boneMap.erase("upper");
    animator.finalBoneMatrices[0] = glm::mat4(7.0f);
    animator.currentTime = 0.0f;
    clip.bones.pop_back();  // "lower" unanimated: its file transformation counts
    animator.computeBoneTransform(&clip.root, glm::mat4(1.0f));
    EXPECT_EQ(glm::mat4(7.0f), animator.finalBoneMatrices[0]);
    expectMatrixNear(glm::mat4(1.0f), animator.finalBoneMatrices[1]);
}

TEST(BoneMatrices, IdsOutsideTheHundredMatricesAndMissingClipsWriteNothing) {
    Animation clip = twoBoneChain();
    clip.boneMap["upper"].id = 100;
    clip.boneMap["lower"].id = -1;
    Animator animator(&clip);
    animator.computeBoneTransform(&clip.root, glm::mat4(1.0f));
    Animator empty;
    empty.computeBoneTransform(&clip.root, glm::mat4(1.0f));
    ASSERT_EQ(100u, animator.finalBoneMatrices.size());
    for (std::size_t i = 0; i < 100; ++i) {
        ASSERT_EQ(glm::mat4(1.0f), animator.finalBoneMatrices[i]);
        ASSERT_EQ(glm::mat4(1.0f), empty.finalBoneMatrices[i]);
    }
}

namespace {

// One node "joint" held at translation t, rotation about y, uniform scale s.
Animation holdingClip(glm::vec3 t, float degrees, float s) {
    Animation clip;
    clip.duration = 10.0f;
    clip.root.name = "joint";
    clip.bones.push_back(std::make_shared<Bone>(
        "joint", std::vector<KeyPosition>{{t, 0.0f}},
        std::vector<KeyRotation>{{glm::angleAxis(glm::radians(degrees), glm::vec3(0, 1, 0)), 0.0f}},
        std::vector<KeyScale>{{glm::vec3(s), 0.0f}}));
    clip.boneMap["joint"] = BoneRecord{0, glm::mat4(1.0f)};
    return clip;
}

}  // namespace

TEST(CrossFade, ZeroHalfAndOne) {
    Animation current = holdingClip({0, 0, 0}, 0.0f, 1.0f);
    Animation previous = holdingClip({2, 0, 0}, 90.0f, 3.0f);
    previous.bones[0]->localTransform = glm::mat4(5.0f);
    Animator animator(&current);
    animator.previousAnimation = &previous;
    const struct {
        float blend;
        glm::mat4 expected;
    } cases[] = {{0.0f, pose({0, 0, 0}, 0.0f, 1.0f)}, {0.5f, pose({1, 0, 0}, 45.0f, 2.0f)},
                 {1.0f, pose({2, 0, 0}, 90.0f, 3.0f)}};
    for (const auto& c : cases) {
        animator.blend = c.blend;
        animator.computeBoneTransform(&current.root, glm::mat4(1.0f));
        expectMatrixNear(c.expected, animator.finalBoneMatrices[0]);
        if (c.blend == 0.0f) {
            EXPECT_EQ(glm::mat4(5.0f), previous.bones[0]->localTransform);  // not even sampled
        }
    }
}

TEST(CrossFade, NodeMissingFromThePreviousClipBlendsWithItsOwnTransformation) {
    Animation current = holdingClip({0, 0, 0}, 0.0f, 1.0f);
    current.root.transformation = pose({4, 0, 0}, 0.0f, 3.0f);
    Animation previous;  // animates nothing
    Animator animator(&current);
    animator.previousAnimation = &previous;
    animator.blend = 0.5f;
    animator.computeBoneTransform(&current.root, glm::mat4(1.0f));
    expectMatrixNear(pose({2, 0, 0}, 0.0f, 2.0f), animator.finalBoneMatrices[0]);
}

TEST(CrossFade, MatrixBlendEndsAndAZeroScale) {
    Animator animator;
    const glm::mat4 a = pose({1, 2, 3}, 30.0f, 2.0f);
    const glm::mat4 b = pose({-1, 0, 5}, -60.0f, 0.5f);
    animator.blend = 0.0f;
    expectMatrixNear(a, animator.blendTransforms(a, b));
    animator.blend = 1.0f;
    expectMatrixNear(b, animator.blendTransforms(a, b));
    // A scale key of zero flattens the bone; it must not poison the pose with NaN.
    animator.blend = 0.5f;
    expectMatrixNear(glm::scale(glm::mat4(1.0f), glm::vec3(0.5f)),
                     animator.blendTransforms(glm::scale(glm::mat4(1.0f), glm::vec3(0.0f)), glm::mat4(1.0f)));
}
