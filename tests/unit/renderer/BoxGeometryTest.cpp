#include <gtest/gtest.h>

#include <stdexcept>

#include "renderer/StaticMesh.h"

namespace {

std::vector<glm::vec2> texCoords(std::size_t count) {
    std::vector<glm::vec2> uvs;
    for (std::size_t i = 0; i < count; ++i) {
        uvs.emplace_back(static_cast<float>(i), static_cast<float>(i) * 0.5f);
    }
    return uvs;
}

}  // namespace

TEST(BoxGeometry, CornersNormalsAndTextureCoordinates) {
    const StaticMeshData box = createBoxGeometry(2.0f, 2.0f, 2.0f, texCoords(24));
    ASSERT_EQ(box.positions.size(), 24u);
    ASSERT_EQ(box.normals.size(), 24u);
    EXPECT_TRUE(box.extra.empty());
    EXPECT_EQ(box.uvs, texCoords(24));
    for (const glm::vec3& p : box.positions) {
        EXPECT_EQ(glm::abs(p), glm::vec3(1.0f));
    }
    const glm::vec3 faceNormals[6] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (std::size_t v = 0; v < 24; ++v) {
        const glm::vec3 n = faceNormals[v / 4];
        EXPECT_EQ(box.normals[v], n) << v;
        EXPECT_FLOAT_EQ(glm::dot(box.positions[v], n), 1.0f) << v;  // the vertex lies on its face
    }
    EXPECT_EQ(box.positions[0], glm::vec3(-1, -1, 1));
    EXPECT_EQ(box.positions[4], glm::vec3(1, -1, -1));
    EXPECT_EQ(box.positions[23], glm::vec3(-1, -1, 1));
}

TEST(BoxGeometry, HalfExtentsOfTheSun) {
    const StaticMeshData sun = createBoxGeometry(20.0f, 20.0f, 0.1f, texCoords(24));
    for (const glm::vec3& p : sun.positions) {
        EXPECT_FLOAT_EQ(std::abs(p.x), 10.0f);
        EXPECT_FLOAT_EQ(std::abs(p.y), 10.0f);
        EXPECT_FLOAT_EQ(std::abs(p.z), 0.05f);
    }
}

TEST(BoxGeometry, IndicesWindCounterClockwiseSeenFromOutside) {
    const StaticMeshData box = createBoxGeometry(3.0f, 1.0f, 5.0f, texCoords(24));
    ASSERT_EQ(box.indices.size(), 36u);
    EXPECT_EQ(std::vector<std::uint32_t>(box.indices.begin(), box.indices.begin() + 6),
              (std::vector<std::uint32_t>{0, 1, 2, 2, 3, 0}));
    EXPECT_EQ(std::vector<std::uint32_t>(box.indices.end() - 6, box.indices.end()),
              (std::vector<std::uint32_t>{20, 21, 22, 22, 23, 20}));
    for (std::size_t t = 0; t < 12; ++t) {
        const glm::vec3 a = box.positions[box.indices[3 * t]];
        const glm::vec3 b = box.positions[box.indices[3 * t + 1]];
        const glm::vec3 c = box.positions[box.indices[3 * t + 2]];
        const glm::vec3 outward = box.normals[box.indices[3 * t]];
        EXPECT_GT(glm::dot(glm::cross(b - a, c - a), outward), 0.0f) << "triangle " << t;
    }
}

TEST(BoxGeometry, AnyOtherNumberOfTextureCoordinatesThrows) {
    for (std::size_t count : {0u, 23u, 25u, 48u}) {
        try {
            createBoxGeometry(1.0f, 1.0f, 1.0f, texCoords(count));
            ADD_FAILURE() << count << " texture coordinates were accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), "texCoords must have 24 elements");
        }
    }
}
