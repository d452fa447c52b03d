#include "renderer/Model.h"

#include <cstring>
#include <utility>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include "framework/Shader.h"
#include "platform/system/Console.h"
#include "renderer/TextureDXT5.h"

namespace {

bool samePath(const aiString& a, const aiString& b) {
    return a.length == b.length && std::memcmp(a.data, b.data, a.length) == 0;
}

bool startsWith(const aiString& path, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    return path.length >= n && std::memcmp(path.data, prefix, n) == 0;
}

}  // namespace

std::string modelDirectory(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(0, slash);
}

glm::mat4 toGlmMatrix(const aiMatrix4x4& m) {
    glm::mat4 result;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            result[column][row] = m[row][column];
        }
    }
    return result;
}

// ---- Mesh -------------------------------------------------------------------------------

Mesh::Mesh(std::vector<Vertex> vertices, std::vector<unsigned int> indices, std::vector<MeshTexture> textures,
           bool upload)
    : vertices(std::move(vertices)), indices(std::move(indices)), textures(std::move(textures)) {
    if (upload) {
        this->upload();
    }
}

Mesh::~Mesh() {
    release();
}

Mesh::Mesh(Mesh&& other) noexcept
    : vao(std::move(other.vao)),
      vbo(std::move(other.vbo)),
      ebo(std::move(other.ebo)),
      diffuseNumber(other.diffuseNumber),
      normalNumber(other.normalNumber),
      specularNumber(other.specularNumber),
      vertices(std::move(other.vertices)),
      indices(std::move(other.indices)),
      textures(std::move(other.textures)) {}

Mesh& Mesh::operator=(Mesh&& other) noexcept {
    if (this != &other) {
        release();
        vao = std::move(other.vao);
        vbo = std::move(other.vbo);
        ebo = std::move(other.ebo);
        diffuseNumber = other.diffuseNumber;
        normalNumber = other.normalNumber;
        specularNumber = other.specularNumber;
        vertices = std::move(other.vertices);
        indices = std::move(other.indices);
        textures = std::move(other.textures);
    }
    return *this;
}

void Mesh::upload() {
    vao = GlVertexArray::generate();
    vbo = GlBuffer::generate();
    ebo = GlBuffer::generate();
    glBindVertexArray(vao);

    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(unsigned int)),
                 indices.data(), GL_STATIC_DRAW);

    constexpr GLsizei stride = sizeof(Vertex);
    auto floats = [](GLuint location, GLint count, std::size_t offset) {
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, count, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offset));
    };
    floats(0, 3, offsetof(Vertex, position));
    floats(1, 3, offsetof(Vertex, normal));
    floats(2, 2, offsetof(Vertex, texCoords));
    glEnableVertexAttribArray(5);
    glVertexAttribIPointer(5, 4, GL_INT, stride, reinterpret_cast<const void*>(offsetof(Vertex, boneIds)));
    floats(6, 4, offsetof(Vertex, weights));

    // The element buffer stays recorded in the vertex array.
    glBindVertexArray(0);
}

void Mesh::release() {
    vao.release();
    vbo.release();
    ebo.release();
}

void Mesh::draw(std::shared_ptr<Shader> shader) {
    diffuseNumber = 1;
    normalNumber = 1;
    specularNumber = 1;
    for (std::size_t i = 0; i < textures.size(); ++i) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
        const std::string& type = textures[i].type;
        std::string number;
        if (type == "textureDiffuse") {
            number = std::to_string(diffuseNumber++);
        } else if (type == "textureSpecular") {
            number = std::to_string(specularNumber++);
        } else if (type == "textureNormal") {
            number = std::to_string(normalNumber++);
        }
        glUniform1i(glGetUniformLocation(shader->program, (type + number).c_str()), static_cast<GLint>(i));
        glBindTexture(GL_TEXTURE_2D, textures[i].id);
    }

    glBindVertexArray(vao);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);

    for (std::size_t i = 0; i < textures.size(); ++i) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

// ---- Model ------------------------------------------------------------------------------

Model::~Model() {
    release();
}

Model::Model(Model&& other) noexcept
    : meshes(std::move(other.meshes)),
      directory(std::move(other.directory)),
      loadedTextures(std::move(other.loadedTextures)),
      textureNames(std::move(other.textureNames)),
      boneMap(std::move(other.boneMap)),
      boneCounter(other.boneCounter),
      uploading(other.uploading) {
    other.meshes.clear();
    other.loadedTextures.clear();
    other.textureNames.clear();
    other.boneMap.clear();
}

Model& Model::operator=(Model&& other) noexcept {
    if (this != &other) {
        release();
        meshes = std::move(other.meshes);
        directory = std::move(other.directory);
        loadedTextures = std::move(other.loadedTextures);
        textureNames = std::move(other.textureNames);
        boneMap = std::move(other.boneMap);
        boneCounter = other.boneCounter;
        uploading = other.uploading;
        // The texture names now belong to this model alone.
        other.meshes.clear();
        other.loadedTextures.clear();
        other.textureNames.clear();
        other.boneMap.clear();
    }
    return *this;
}

void Model::release() {
    for (Mesh& mesh : meshes) {
        mesh.release();
    }
    for (GlTexture& name : textureNames) {
        name.release();
    }
    textureNames.clear();
    for (MeshTexture& texture : loadedTextures) {
        texture.id = 0;
    }
    // The meshes' copies of the cache entries name the same textures.
    for (Mesh& mesh : meshes) {
        for (MeshTexture& texture : mesh.textures) {
            texture.id = 0;
        }
    }
}

void Model::load(std::string path, bool upload) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_FlipUVs);
    if (scene == nullptr || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0 || scene->mRootNode == nullptr) {
        consoleLine(std::string("ERROR::ASSIMP:: ") + importer.GetErrorString());
        return;
    }
    uploading = upload;
    directory = modelDirectory(path);
    collectMeshes(scene->mRootNode, scene);
}

void Model::draw(std::shared_ptr<Shader> shader) {
    for (Mesh& mesh : meshes) {
        mesh.draw(shader);
    }
}

void Model::collectMeshes(const aiNode* node, const aiScene* scene) {
    for (unsigned int i = 0; i < node->mNumMeshes; ++i) {
        const unsigned int index = node->mMeshes[i];
        if (index < scene->mNumMeshes) {
            meshes.push_back(convertMesh(scene->mMeshes[index], scene));
        }
    }
    for (unsigned int i = 0; i < node->mNumChildren; ++i) {
        collectMeshes(node->mChildren[i], scene);
    }
}

Mesh Model::convertMesh(const aiMesh* mesh, const aiScene* scene) {
    std::vector<Vertex> vertices(mesh->mNumVertices);
    const bool hasTexCoords = mesh->mTextureCoords[0] != nullptr;
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i) {
        Vertex& vertex = vertices[i];
        const aiVector3D& p = mesh->mVertices[i];
        vertex.position = glm::vec3(p.x, p.y, p.z);
        if (mesh->mNormals != nullptr) {
            const aiVector3D& n = mesh->mNormals[i];
            vertex.normal = glm::vec3(n.x, n.y, n.z);
        }
        if (hasTexCoords) {
            const aiVector3D& uv = mesh->mTextureCoords[0][i];
            vertex.texCoords = glm::vec2(uv.x, uv.y);
        }
    }
    if (!hasTexCoords) {
        consoleLine("No textures were loaded.");
    }

    std::vector<unsigned int> indices;
    indices.reserve(static_cast<std::size_t>(mesh->mNumFaces) * 3);
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        indices.insert(indices.end(), face.mIndices, face.mIndices + face.mNumIndices);
    }

    std::vector<MeshTexture> textures;
    if (mesh->mMaterialIndex < scene->mNumMaterials) {
        aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
        for (auto [kind, typeName] : {std::pair{aiTextureType_DIFFUSE, "textureDiffuse"},
                                      std::pair{aiTextureType_SPECULAR, "textureSpecular"},
                                      std::pair{aiTextureType_AMBIENT, "lightmap"}}) {
            std::vector<MeshTexture> ofType = loadTexturesOfType(material, kind, typeName);
            textures.insert(textures.end(), ofType.begin(), ofType.end());
        }
    }

    readBoneWeights(vertices, mesh, scene);
    return Mesh(std::move(vertices), std::move(indices), std::move(textures), uploading);
}

std::vector<MeshTexture> Model::loadTexturesOfType(aiMaterial* material, aiTextureType kind, std::string typeName) {
    std::vector<MeshTexture> result;
    const unsigned int count = aiGetMaterialTextureCount(material, kind);
    for (unsigned int i = 0; i < count; ++i) {
        aiString path;
        if (aiGetMaterialTexture(material, kind, i, &path) != aiReturn_SUCCESS) {
            continue;
        }
        bool cached = false;
        for (const MeshTexture& loaded : loadedTextures) {
            if (samePath(loaded.path, path)) {
                result.push_back(loaded);
                cached = true;
                break;
            }
        }
        if (cached) {
            continue;
        }
        if (!startsWith(path, "textures")) {
            consoleLine(std::string("Loading texture: ") + path.C_Str());
        }
        MeshTexture texture;
        texture.id = uploading ? loadImageTexture((directory + "/" + path.C_Str()).c_str()) : 0;
        texture.type = typeName;
        texture.path = path;
        result.push_back(texture);
        loadedTextures.push_back(texture);
        textureNames.emplace_back(texture.id);
    }
    return result;
}

void Model::readBoneWeights(std::vector<Vertex>& vertices, const aiMesh* mesh, const aiScene*) {
    for (unsigned int b = 0; b < mesh->mNumBones; ++b) {
        const aiBone* bone = mesh->mBones[b];
        const std::string name = bone->mName.C_Str();
        std::int32_t id = 0;
        auto found = boneMap.find(name);
        if (found == boneMap.end()) {
            id = boneCounter++;
            boneMap[name] = BoneRecord{id, toGlmMatrix(bone->mOffsetMatrix)};
        } else {
            id = found->second.id;
        }
        for (unsigned int w = 0; w < bone->mNumWeights; ++w) {
            const aiVertexWeight& weight = bone->mWeights[w];
            // A weight naming a vertex the mesh lacks (a damaged file) is dropped.
            if (weight.mVertexId >= vertices.size()) {
                continue;
            }
            Vertex& vertex = vertices[weight.mVertexId];
            for (int slot = 0; slot < 4; ++slot) {
                if (vertex.boneIds[slot] < 0) {
                    vertex.boneIds[slot] = id;
                    vertex.weights[slot] = weight.mWeight;
                    break;
                }
            }
        }
    }
}
