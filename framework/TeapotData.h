#pragma once
#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

// The framework's teapot: the 32 bicubic Bezier patches of the classic teapot dataset (in
// which z is the height), each evaluated on a 4 x 4 grid at the parameters 0, 1/3, 2/3, 1.
// Patch p owns vertices 16p to 16p + 15 (shared edges repeated), row r and column c giving
// vertex 16p + 4r + c. Patch order: rim, upper body, lower body, lid knob, lid, bottom,
// handle, spout (four each).

constexpr std::uint32_t kTeapotPatchCount = 32;
constexpr std::uint32_t kTeapotVertexCount = kTeapotPatchCount * 16;     // 512
constexpr std::uint32_t kTeapotIndexCount = kTeapotPatchCount * 18 * 3;  // 1728
constexpr float kTeapotScale = 0.2800192f;

// The 512 evaluated surface points in the dataset's own coordinates (z up).
std::vector<glm::dvec3> evaluateTeapotPatches();

struct TeapotGeometry {
    std::vector<glm::vec3> positions;     // 512, y up, centred on their mean, scaled, half-turned
    std::vector<std::uint32_t> indices;   // 1728, two triangles per grid cell
};

// Each dataset point (x, y, z) becomes (s(x - mx), s(z - mz), s y) with (mx, 0, mz) the mean of
// all points and s = kTeapotScale, then turned half a turn about the vertical axis.
TeapotGeometry buildTeapotGeometry();
