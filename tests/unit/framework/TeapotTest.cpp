#include <gtest/gtest.h>

#include <algorithm>

#include "framework/TeapotData.h"

TEST(Teapot, SizesAndIndexOrder) {
    const TeapotGeometry teapot = buildTeapotGeometry();
    ASSERT_EQ(teapot.positions.size(), 512u);
    ASSERT_EQ(teapot.indices.size(), 1728u);
    EXPECT_EQ(teapot.positions.size() * sizeof(glm::vec3), 6144u);
    EXPECT_EQ(teapot.indices.size() * sizeof(std::uint32_t), 6912u);

    const std::vector<std::uint32_t> firstTwo(teapot.indices.begin(), teapot.indices.begin() + 6);
    EXPECT_EQ(firstTwo, (std::vector<std::uint32_t>{0, 5, 4, 0, 1, 5}));
    const std::vector<std::uint32_t> lastTwo(teapot.indices.end() - 6, teapot.indices.end());
    EXPECT_EQ(lastTwo, (std::vector<std::uint32_t>{506, 511, 510, 506, 507, 511}));

    // Every patch uses exactly its own sixteen vertices.
    for (std::size_t triangle = 0; triangle < 576; ++triangle) {
        const std::uint32_t patch = static_cast<std::uint32_t>(triangle / 18);
        for (int corner = 0; corner < 3; ++corner) {
            const std::uint32_t index = teapot.indices[3 * triangle + static_cast<std::size_t>(corner)];
            EXPECT_GE(index, 16 * patch);
            EXPECT_LT(index, 16 * patch + 16);
        }
    }
}

TEST(Teapot, EvaluatedDatasetHasTheKnownMean) {
    const std::vector<glm::dvec3> points = evaluateTeapotPatches();
    ASSERT_EQ(points.size(), 512u);
    glm::dvec3 mean(0.0);
    for (const auto& p : points) {
        mean += p;
    }
    mean /= 512.0;
    EXPECT_NEAR(mean.x, 0.040234, 1e-6);
    EXPECT_NEAR(mean.y, 0.0, 1e-9);  // the dataset is symmetric across its y = 0 plane
    EXPECT_NEAR(mean.z, 1.725098, 1e-6);

    // Patch corners are control points: the rim's first point, the top of the knob (patches
    // 12 to 15) and the centre of the bottom (patches 20 to 23).
    EXPECT_EQ(points[0], glm::dvec3(1.4, 0.0, 2.4));
    EXPECT_EQ(points[12 * 16], glm::dvec3(0.0, 0.0, 3.15));
    EXPECT_EQ(points[20 * 16], glm::dvec3(0.0, 0.0, 0.0));
    // The handle (24 to 27) lies on the -x side, the spout (28 to 31) on the +x side.
    EXPECT_LT(points[24 * 16 + 5].x, -1.5);
    EXPECT_GT(points[28 * 16 + 5].x, 1.5);
}

TEST(Teapot, StoredPositionsAreUprightCentredScaledAndHalfTurned) {
    const std::vector<glm::dvec3> points = evaluateTeapotPatches();
    const TeapotGeometry teapot = buildTeapotGeometry();
    const double mx = 0.04023437, mz = 1.72509766, s = 0.2800192;
    for (std::size_t i = 0; i < points.size(); i += 37) {
        const glm::dvec3& p = points[i];
        EXPECT_NEAR(teapot.positions[i].x, -s * (p.x - mx), 1e-5) << i;
        EXPECT_NEAR(teapot.positions[i].y, s * (p.z - mz), 1e-5) << i;
        EXPECT_NEAR(teapot.positions[i].z, -s * p.y, 1e-5) << i;
    }
    glm::dvec3 centre(0.0);
    float lowest = 1e9f, highest = -1e9f;
    for (const glm::vec3& p : teapot.positions) {
        centre += glm::dvec3(p);
        lowest = std::min(lowest, p.y);
        highest = std::max(highest, p.y);
    }
    EXPECT_NEAR(glm::length(centre / 512.0), 0.0, 1e-6);
    EXPECT_NEAR(highest - lowest, 3.15 * s, 1e-5);  // from the bottom (z 0) to the knob (z 3.15)
}
