#include "renderer/StaticMesh.h"

#include <stdexcept>
#include <utility>

#include "framework/Shader.h"
#include "renderer/Material.h"

namespace {

template <typename T>
GlBuffer uploadAttribute(const std::vector<T>& values, GLuint location, GLint components) {
    GlBuffer buffer = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(values.size() * sizeof(T)), values.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, 0, nullptr);
    return buffer;
}

}  // namespace

StaticMesh::StaticMesh(std::string name, const glm::mat4& modelMatrix, const StaticMeshData& data,
                       std::shared_ptr<Material> material)
    : name(std::move(name)),
      indexCount(static_cast<int>(data.indices.size())),
      material(std::move(material)),
      modelMatrix(modelMatrix) {
    vao = GlVertexArray::generate();
    glBindVertexArray(vao);

    vboPositions = uploadAttribute(data.positions, 0, 3);
    vboNormals = uploadAttribute(data.normals, 1, 3);
    vboUvs = uploadAttribute(data.uvs, 2, 2);
    if (!data.extra.empty()) {
        vboExtra = uploadAttribute(data.extra, 3, 3);
    }

    ebo = GlBuffer::generate();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.indices.size() * sizeof(std::uint32_t)),
                 data.indices.data(), GL_STATIC_DRAW);

    // The vertex array first, so that it keeps its element buffer.
    glBindVertexArray(0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

StaticMesh::~StaticMesh() { release(); }

void StaticMesh::release() {
    vboPositions.release();
    vboExtra.release();
    vboNormals.release();
    vboUvs.release();
    ebo.release();
    vao.release();
    material.reset();
}

void StaticMesh::draw(const std::shared_ptr<Shader>& shader) {
    shader->setUniform("modelMatrix", modelMatrix);
    shader->setUniform("normalMatrix", glm::mat3(glm::transpose(glm::inverse(modelMatrix))));
    glBindVertexArray(vao);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
}

std::shared_ptr<Material> StaticMesh::getMaterial() const { return material; }

StaticMeshData createBoxGeometry(float width, float height, float depth, const std::vector<glm::vec2>& texCoords) {
    const float w = width * 0.5f;
    const float h = height * 0.5f;
    const float d = depth * 0.5f;

    StaticMeshData data;
    data.positions = {
        {-w, -h, d},  {w, -h, d},  {w, h, d},   {-w, h, d},    // +z
        {w, -h, -d},  {-w, -h, -d}, {-w, h, -d}, {w, h, -d},   // -z
        {w, -h, d},   {w, -h, -d}, {w, h, -d},  {w, h, d},     // +x
        {-w, -h, -d}, {-w, -h, d}, {-w, h, d},  {-w, h, -d},   // -x
        {-w, h, -d},  {-w, h, d},  {w, h, d},   {w, h, -d},    // +y
        {-w, -h, -d}, {w, -h, -d}, {w, -h, d},  {-w, -h, d},   // -y
    };
    const glm::vec3 faceNormals[6] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (const glm::vec3& normal : faceNormals) {
        data.normals.insert(data.normals.end(), 4, normal);
    }

    if (texCoords.size() != 24) {
        throw std::invalid_argument("texCoords must have 24 elements");
    }
    data.uvs = texCoords;

    for (std::uint32_t face = 0; face < 6; ++face) {
        const std::uint32_t k = 4 * face;
        data.indices.insert(data.indices.end(), {k, k + 1, k + 2, k + 2, k + 3, k});
    }
    return data;
}
