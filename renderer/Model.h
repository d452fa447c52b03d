#pragma once
// Models read through Assimp: the skinned player and the collectibles. A Model is a list of
// meshes in the 64-byte skinned vertex layout, the textures their materials name, and a bone
// map that gives every bone a dense id into the animator's 100 bone matrices.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <assimp/material.h>
#include <assimp/types.h>
#include <glm/glm.hpp>

#include "framework/GlHandle.h"
#include "platform/gl/GL.h"

struct aiMesh;
struct aiNode;
struct aiScene;
class Shader;

// One element of a mesh's vertex buffer, uploaded byte for byte. The offsets and the attribute
// locations (0, 1, 2, 5 as integers, 6) are the vertex shaders' interface.
struct Vertex {
    glm::vec3 position{0.0f};                   // location 0, mesh space
    glm::vec3 normal{0.0f};                     // location 1; zero when the file has none
    glm::vec2 texCoords{0.0f};                  // location 2, v already flipped by the import
    std::int32_t boneIds[4] = {-1, -1, -1, -1}; // location 5; -1 marks a free slot
    float weights[4] = {0.0f, 0.0f, 0.0f, 0.0f};// location 6; neither sorted nor normalised
};
static_assert(sizeof(Vertex) == 64, "the vertex shaders read a 64-byte stride");
static_assert(offsetof(Vertex, position) == 0, "attribute 0");
static_assert(offsetof(Vertex, normal) == 12, "attribute 1");
static_assert(offsetof(Vertex, texCoords) == 24, "attribute 2");
static_assert(offsetof(Vertex, boneIds) == 32, "attribute 5");
static_assert(offsetof(Vertex, weights) == 48, "attribute 6");

struct MeshTexture {
    GLuint id = 0;      // from loadImageTexture (the Model owns it); 0 when read without upload
    std::string type;   // sampler base name: "textureDiffuse", "textureSpecular" or "lightmap"
    aiString path;      // as the material names it; the key of the model's texture cache
};

// An indexed triangle mesh on its own vertex array. It owns its vertex array and buffers (not
// its textures: the Model does): moving a Mesh hands the names over, and they are given back by
// release() or, while a context is alive, by the destructor.
class Mesh {
public:
    // Keeps the three lists; uploads them unless `upload` is false (no OpenGL call at all then,
    // and the names stay 0; for reading models without a context).
    Mesh(std::vector<Vertex> vertices, std::vector<unsigned int> indices, std::vector<MeshTexture> textures,
         bool upload = true);
    ~Mesh();

    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    Mesh(Mesh&& other) noexcept;
    Mesh& operator=(Mesh&& other) noexcept;

    // Binds the textures to units 0, 1, ... with their sampler names and draws the triangles.
    // The caller made the program current and set every other uniform.
    void draw(std::shared_ptr<Shader> shader);

    // Deletes the vertex array and buffers now (only while a context is alive); the names become 0.
    void release();

    GlVertexArray vao;
    GlBuffer vbo;
    GlBuffer ebo;
    unsigned int diffuseNumber = 1;
    unsigned int normalNumber = 1;
    unsigned int specularNumber = 1;
    std::vector<Vertex> vertices;
    std::vector<unsigned int> indices;
    std::vector<MeshTexture> textures;  // in texture-unit order

private:
    void upload();
};

struct BoneRecord {
    std::int32_t id = 0;        // index into the animator's bone matrices
    glm::mat4 offset{1.0f};     // mesh space to bone space
};

class Model {
public:
    Model() = default;
    ~Model();

    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
    Model(Model&& other) noexcept;
    // Releases this model's own OpenGL names first, then takes over the other's.
    Model& operator=(Model&& other) noexcept;

    // Imports the file (opened relative to the working directory) and fills the model. A file
    // that does not import prints "ERROR::ASSIMP:: " and the importer's text and leaves the model
    // as it was. With `upload` false no OpenGL call is made: meshes keep only their lists and
    // textures are recorded with id 0 (for reading models without a context).
    void load(std::string path, bool upload = true);

    void draw(std::shared_ptr<Shader> shader);

    // Gives back every mesh's vertex array and buffers and every loaded texture (shutdown,
    // while the context exists). The lists stay; drawing afterwards is not allowed.
    void release();

    void collectMeshes(const aiNode* node, const aiScene* scene);
    Mesh convertMesh(const aiMesh* mesh, const aiScene* scene);
    std::vector<MeshTexture> loadTexturesOfType(aiMaterial* material, aiTextureType kind, std::string typeName);
    void readBoneWeights(std::vector<Vertex>& vertices, const aiMesh* mesh, const aiScene* scene);

    std::vector<Mesh> meshes;                    // node-walk order
    std::string directory;                       // texture paths are relative to it
    std::vector<MeshTexture> loadedTextures;     // the texture cache
    std::vector<GlTexture> textureNames;         // the names loadedTextures lists, in its order
    std::map<std::string, BoneRecord> boneMap;   // bones of every mesh, plus animated nodes
    std::int32_t boneCounter = 0;                // next free bone id
    // Whether the meshes and textures this model makes get OpenGL objects; load() sets it.
    bool uploading = true;
};

// The part of a path before its last "/", or the whole path when it has none.
std::string modelDirectory(const std::string& path);

// Column-major copy of Assimp's row-major matrix: the same matrix.
glm::mat4 toGlmMatrix(const aiMatrix4x4& m);
