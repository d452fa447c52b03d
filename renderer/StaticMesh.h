#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "framework/GlHandle.h"

class Material;
class Shader;

// Vertex and index lists for a StaticMesh; the vertex lists run in parallel.
struct StaticMeshData {
    std::vector<glm::vec3> positions;     // attribute 0
    std::vector<std::uint32_t> indices;   // element buffer
    std::vector<glm::vec3> extra;         // attribute 3, only when non-empty
    std::vector<glm::vec3> normals;       // attribute 1
    std::vector<glm::vec2> uvs;           // attribute 2
};

// An indexed triangle mesh whose vertices live only on the GPU, with one material and a fixed
// model matrix. It draws itself with a program the caller made current and whose material
// the caller applied.
class StaticMesh {
public:
    // Uploads the data (a context must be current); the data is not kept.
    StaticMesh(std::string name, const glm::mat4& modelMatrix, const StaticMeshData& data,
               std::shared_ptr<Material> material);
    ~StaticMesh();

    StaticMesh(const StaticMesh&) = delete;
    StaticMesh& operator=(const StaticMesh&) = delete;

    // Sets "modelMatrix" and "normalMatrix" (upper 3 x 3 of the inverse transpose) and draws.
    void draw(const std::shared_ptr<Shader>& shader);

    std::shared_ptr<Material> getMaterial() const;

    // Deletes the buffers and the vertex array now; the destructor then makes no OpenGL call.
    void release();

    std::string name;
    GlVertexArray vao;
    GlBuffer vboPositions;
    GlBuffer vboExtra;   // empty unless the data had an extra stream
    GlBuffer vboNormals;
    GlBuffer vboUvs;
    GlBuffer ebo;
    int indexCount = 0;
    std::shared_ptr<Material> material;
    glm::mat4 modelMatrix;
};

// A box centred on the origin with full extents width (x), height (y) and depth (z): four
// vertices per face in the order +z, -z, +x, -x, +y, -y, two counter-clockwise triangles per
// face seen from outside, and texCoords[4k .. 4k + 3] on face k. Throws std::invalid_argument
// ("texCoords must have 24 elements") for any other number of texture coordinates.
StaticMeshData createBoxGeometry(float width, float height, float depth, const std::vector<glm::vec2>& texCoords);
