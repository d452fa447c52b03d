// The model loader without an OpenGL context (upload left out): the game's own asset files,
// bad files, and the conversion rules on in-memory Assimp data.
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <assimp/material.h>
#include <assimp/mesh.h>
#include <gtest/gtest.h>

#include "renderer/ModelPasses.h"
#include "game/PlayerAnimation.h"
#include "renderer/PlayerModel.h"

namespace {

const std::string assets = QV_ASSET_DIR;
const std::string thiefDirectory = assets + "/models/playerModel";

int countOf(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string writeTemp(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// What a call printed.
template <typename F>
std::string printed(F&& f) {
    ::testing::internal::CaptureStdout();
    f();
    return ::testing::internal::GetCapturedStdout();
}

void collectNodeNames(const AnimationNode& node, std::set<std::string>& names) {
    names.insert(node.name);
    for (const AnimationNode& child : node.children) {
        collectNodeNames(child, names);
    }
}

}  // namespace

TEST(ThiefAssets, SkinnedMeshClipsAndTextureMatchWhatTheScriptWrote) {
    // The joints tools/make_models.py wrote, counted in the file's text.
    const int joints = countOf(readFile(thiefDirectory + "/idle.dae"), "type=\"JOINT\"");
    ASSERT_GE(joints, 10);
    ASSERT_LT(joints, 100);

    PlayerModel player;
    const std::string output = printed([&] { player.load(thiefDirectory, false); });
    EXPECT_EQ(std::string::npos, output.find("ERROR")) << output;
    EXPECT_EQ(std::string::npos, output.find("No textures were loaded.")) << output;

    const Model& model = player.model;
    EXPECT_EQ(thiefDirectory, model.directory);
    ASSERT_EQ(1u, model.loadedTextures.size());
    EXPECT_STREQ("thief.png", model.loadedTextures[0].path.C_Str());
    EXPECT_EQ("textureDiffuse", model.loadedTextures[0].type);
    EXPECT_EQ(static_cast<std::size_t>(joints), model.boneMap.size());
    EXPECT_EQ(joints, model.boneCounter);  // every channel names a weighted joint: no id added
    ASSERT_FALSE(model.meshes.empty());
    for (const Mesh& mesh : model.meshes) {
        EXPECT_EQ(0u, mesh.vao);
        EXPECT_EQ(0u, mesh.indices.size() % 3);
        for (const Vertex& v : mesh.vertices) {
            float sum = 0.0f;
            for (int slot = 0; slot < 4; ++slot) {
                if (v.boneIds[slot] >= 0) {
                    ASSERT_LT(v.boneIds[slot], joints);
                    sum += v.weights[slot];
                }
            }
            ASSERT_NEAR(1.0f, sum, 1e-3f);
            ASSERT_NEAR(1.0f, glm::length(v.normal), 1e-2f);
        }
    }

    // The clips' lengths as tools/models/clips.py makes them; their channels name the model's joints.
    const struct {
        const Animation* clip;
        float seconds;
    } clips[] = {{&player.idleAnimation, 2.4f}, {&player.runningAnimation, 0.7f}, {&player.jumpAnimation, 1.0f},
                 {&player.dancingAnimation, 3.2f}, {&player.fallingAnimation, 1.0f}};
    std::set<std::string> nodes;
    collectNodeNames(player.idleAnimation.root, nodes);
    for (const auto& c : clips) {
        ASSERT_GT(c.clip->ticksPerSecond, 0);
        EXPECT_NEAR(c.seconds, c.clip->duration / static_cast<float>(c.clip->ticksPerSecond), 1e-3f);
        EXPECT_EQ(static_cast<std::size_t>(joints), c.clip->bones.size());
        for (const auto& bone : c.clip->bones) {
            EXPECT_TRUE(model.boneMap.count(bone->name) && nodes.count(bone->name)) << bone->name;
            EXPECT_GE(bone->numRotations, 2) << bone->name;
        }
    }
    EXPECT_EQ(&player.runningAnimation, player.animator.currentAnimation);

    // The running clip loops cleanly: its end pose is its start pose.
    Animator start(&player.runningAnimation);
    start.computeBoneTransform(&player.runningAnimation.root, glm::mat4(1.0f));
    Animator end(&player.runningAnimation);
    end.currentTime = player.runningAnimation.duration - 0.001f;
    end.computeBoneTransform(&player.runningAnimation.root, glm::mat4(1.0f));
    for (int id = 0; id < joints; ++id) {
        for (int i = 0; i < 16; ++i) {
            ASSERT_NEAR(start.finalBoneMatrices[id][i / 4][i % 4], end.finalBoneMatrices[id][i / 4][i % 4], 1e-2f);
        }
    }
}

TEST(CollectibleAssets, FourModelsLoadWithTheirTexturesAndSlotThreeStaysEmpty) {
    Artifacts artifacts;
    const std::string output = printed([&] { artifacts.loadModels(assets + "/models", false); });
    EXPECT_EQ(std::string::npos, output.find("ERROR")) << output;
    EXPECT_EQ(std::string::npos, output.find("No textures were loaded.")) << output;
    for (int slot : {0, 1, 2, 4}) {
        const Model& model = artifacts.models[static_cast<std::size_t>(slot)];
        ASSERT_FALSE(model.meshes.empty()) << slot;
        for (const Mesh& mesh : model.meshes) {
            EXPECT_FALSE(mesh.indices.empty()) << slot;
            EXPECT_FALSE(mesh.textures.empty()) << slot;
        }
    }
    EXPECT_TRUE(artifacts.models[3].meshes.empty());
}

TEST(BadModelFiles, MissingOrCorruptFilesGiveTheMessageAndEmptyResults) {
    const std::string corrupt = writeTemp("corrupt.dae", "<?xml version=\"1.0\"?><COLLADA><library_geometries>"
                                                         "<geometry><mesh><source><float_array count=\"90\">1 2");
    for (const std::string& path : {std::string("/nonexistent/idle.dae"), corrupt}) {
        Model model;
        EXPECT_EQ(0u, printed([&] { model.load(path, false); }).find("ERROR::ASSIMP:: "));
        EXPECT_TRUE(model.meshes.empty() && model.boneMap.empty() && model.directory.empty());
    }

    // A clip that does not import, or holds no animation: an empty clip with the model's bone map.
    Model model;
    model.boneMap["hips"] = BoneRecord{0, glm::mat4(1.0f)};
    const std::string still = writeTemp("still.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    for (const std::string& path : {std::string("/nonexistent/running.dae"), still}) {
        std::unique_ptr<Animation> clip;
        EXPECT_NE(std::string::npos, printed([&] { clip = std::make_unique<Animation>(path, &model); }).find("ERROR::"));
        EXPECT_TRUE(clip->bones.empty());
        EXPECT_EQ(0.0f, clip->duration);
        EXPECT_EQ(0, clip->ticksPerSecond);
        EXPECT_EQ(1u, clip->boneMap.size());
    }

    // The whole player without its files runs on, empty.
    PlayerModel player;
    EXPECT_EQ(6, countOf(printed([&] { player.load("/nonexistent", false); }), "ERROR::ASSIMP:: "));
    EXPECT_TRUE(player.model.meshes.empty());
    selectPlayerAnimation(player, -1.33f, true);
    player.animator.computeBoneTransform(&player.animator.currentAnimation->root, glm::mat4(1.0f));
    EXPECT_EQ(glm::mat4(1.0f), player.animator.finalBoneMatrices[0]);
}

TEST(MeshConversion, NoNormalsOrTextureCoordinatesSaysSoOncePerMesh) {
    const std::string bare = writeTemp("bare.obj", "o first\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3\nf 2 4 3\n"
                                                   "o second\nv 0 0 1\nv 1 0 1\nv 0 1 1\nf 5 6 7\n");
    Model model;
    const std::string output = printed([&] { model.load(bare, false); });
    ASSERT_EQ(2u, model.meshes.size());
    EXPECT_EQ(2, countOf(output, "No textures were loaded.")) << output;
    for (const Mesh& mesh : model.meshes) {
        for (const Vertex& v : mesh.vertices) {
            EXPECT_EQ(glm::vec3(0.0f), v.normal);
            EXPECT_EQ(glm::vec2(0.0f), v.texCoords);
            EXPECT_EQ(-1, v.boneIds[0]);
        }
    }
    EXPECT_EQ("idle.dae", modelDirectory("idle.dae"));
}

namespace {

aiBone* makeBone(const char* name, std::initializer_list<aiVertexWeight> weights, float offsetX = 0.0f) {
    aiBone* bone = new aiBone;
    bone->mName = aiString(name);
    bone->mNumWeights = static_cast<unsigned int>(weights.size());
    bone->mWeights = new aiVertexWeight[weights.size()];
    std::copy(weights.begin(), weights.end(), bone->mWeights);
    bone->mOffsetMatrix.a4 = offsetX;  // row-major: the translation's x
    return bone;
}

void giveBones(aiMesh& mesh, std::initializer_list<aiBone*> bones) {
    mesh.mNumBones = static_cast<unsigned int>(bones.size());
    mesh.mBones = new aiBone*[bones.size()];
    std::copy(bones.begin(), bones.end(), mesh.mBones);
}

}  // namespace

TEST(MeshConversion, FirstFourInfluencesKeptUnnormalisedAndIdsSharedAcrossMeshes) {
    Model model;
    aiMesh first;
    giveBones(first, {makeBone("a", {{0, 0.1f}}, 2.0f), makeBone("b", {{0, 0.2f}, {1, 0.5f}}),
                      makeBone("c", {{0, 0.3f}}), makeBone("d", {{0, 0.3f}}), makeBone("e", {{0, 0.9f}}),
                      makeBone("f", {{7, 1.0f}})});  // names a vertex the mesh lacks: dropped
    aiMesh second;
    giveBones(second, {makeBone("g", {{0, 1.0f}}), makeBone("a", {{1, 1.0f}}, 9.0f)});
    std::vector<Vertex> vertices(3);
    model.readBoneWeights(vertices, &first, nullptr);
    std::vector<Vertex> others(2);
    model.readBoneWeights(others, &second, nullptr);

    const float weights[4] = {0.1f, 0.2f, 0.3f, 0.3f};
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(slot, vertices[0].boneIds[slot]);
        EXPECT_EQ(weights[slot], vertices[0].weights[slot]);
    }
    EXPECT_EQ(1, vertices[1].boneIds[0]);
    EXPECT_EQ(-1, vertices[1].boneIds[1]);
    EXPECT_EQ(-1, vertices[2].boneIds[0]);
    EXPECT_EQ(7, model.boneCounter);
    EXPECT_EQ(0, others[1].boneIds[0]);                 // "a" keeps its id ...
    EXPECT_EQ(2.0f, model.boneMap["a"].offset[3][0]);  // ... and its first offset
}

TEST(MeshConversion, TextureCacheLoadsAPathOnceUnderItsFirstTypeName) {
    Model model;
    model.uploading = false;
    aiMaterial material;
    aiString shared("skin.png"), quiet("textures/a.png"), announced("my/textures/b.png");
    material.AddProperty(&shared, AI_MATKEY_TEXTURE_DIFFUSE(0));
    material.AddProperty(&quiet, AI_MATKEY_TEXTURE_DIFFUSE(1));
    material.AddProperty(&announced, AI_MATKEY_TEXTURE_SPECULAR(0));
    material.AddProperty(&shared, AI_MATKEY_TEXTURE_AMBIENT(0));
    std::vector<MeshTexture> diffuse, specular, ambient;
    const std::string output = printed([&] {
        diffuse = model.loadTexturesOfType(&material, aiTextureType_DIFFUSE, "textureDiffuse");
        specular = model.loadTexturesOfType(&material, aiTextureType_SPECULAR, "textureSpecular");
        ambient = model.loadTexturesOfType(&material, aiTextureType_AMBIENT, "lightmap");
    });
    EXPECT_EQ("Loading texture: skin.png\nLoading texture: my/textures/b.png\n", output);
    EXPECT_EQ(2u, diffuse.size());
    EXPECT_EQ(1u, specular.size());
    ASSERT_EQ(1u, ambient.size());
    EXPECT_EQ("textureDiffuse", ambient[0].type);
    EXPECT_EQ(3u, model.loadedTextures.size());
}
