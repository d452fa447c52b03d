#include "renderer/ThiefBounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "renderer/Animation.h"
#include "renderer/ModelPasses.h"
#include "renderer/PlayerModel.h"

namespace {
constexpr std::size_t boneSlots = static_cast<std::size_t>(Animator::boneMatrixCount);
constexpr std::size_t unmovedSlot = boneSlots;  // vertices without a bone keep their bind pose

// Corner 0..7 of the box: bit 0 picks x, bit 1 y, bit 2 z from high instead of low.
glm::vec3 boxCorner(const glm::vec3& low, const glm::vec3& high, int corner) {
    return glm::vec3((corner & 1) ? high.x : low.x, (corner & 2) ? high.y : low.y, (corner & 4) ? high.z : low.z);
}

void growBox(glm::vec3& low, glm::vec3& high, const glm::vec3& point) {
    low = glm::min(low, point);
    high = glm::max(high, point);
}

// The eight corners of a box, carried through an affine matrix into the running bounds.
void growByTransformedBox(ThiefBounds& bounds, const glm::mat4& transform, const glm::vec3& low,
                          const glm::vec3& high) {
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 p = boxCorner(low, high, corner);
        const glm::vec3 q(transform * glm::vec4(p, 1.0f));
        if (bounds.empty) {
            bounds.low = bounds.high = q;
            bounds.empty = false;
        } else {
            growBox(bounds.low, bounds.high, q);
        }
    }
}

bool isAffine(const glm::mat4& m) {
    return m[0][3] == 0.0f && m[1][3] == 0.0f && m[2][3] == 0.0f && m[3][3] == 1.0f;
}

bool isFinite(const glm::mat4& m) {
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            if (!std::isfinite(m[c][r])) {
                return false;
            }
        }
    }
    return true;
}
}  // namespace

void BoneBoxes::boxBones(const PlayerModel& model) {
    std::size_t vertexCount = 0;
    for (const Mesh& mesh : model.model.meshes) {
        vertexCount += mesh.vertices.size();
    }
    // A reload brings new vertex buffers.
    const void* firstVertices = model.model.meshes.empty() ? nullptr : model.model.meshes.front().vertices.data();
    if (boxedModel == &model.model && boxedVertices == firstVertices && boxedVertexCount == vertexCount &&
        !boxes.empty()) {
        return;
    }
    boxedModel = &model.model;
    boxedVertices = firstVertices;
    boxedVertexCount = vertexCount;
    boxes.assign(boneSlots + 1, BoneBox{});
    boxesKnown = true;
    auto add = [this](std::size_t slot, const glm::vec3& p) {
        BoneBox& box = boxes[slot];
        if (!box.used) {
            box.used = true;
            box.low = box.high = p;
        } else {
            growBox(box.low, box.high, p);
        }
    };
    for (const Mesh& mesh : model.model.meshes) {
        for (const Vertex& v : mesh.vertices) {
            if (!std::isfinite(v.position.x) || !std::isfinite(v.position.y) || !std::isfinite(v.position.z)) {
                boxesKnown = false;
                return;
            }
            // The program sums weight x bone x position over the slots whose id names a bone; a
            // vertex without one keeps its bind pose. With weights >= 0 and some weight > 0 the
            // sum lies on the positive side of a plane through the origin of clip space only if
            // one of its terms does, so the boxes of the bones it uses bound it. Other weights
            // (negative, or all zero: the vertex collapses onto the eye) cannot be bounded so.
            bool moved = false;
            bool weighted = false;
            for (int k = 0; k < 4; ++k) {
                const std::int32_t id = v.boneIds[k];
                if (id < 0 || id >= Animator::boneMatrixCount) {
                    continue;
                }
                moved = true;
                const float w = v.weights[k];
                if (!(w >= 0.0f) || !std::isfinite(w)) {
                    boxesKnown = false;
                    return;
                }
                if (w > 0.0f) {
                    weighted = true;
                    add(static_cast<std::size_t>(id), v.position);
                }
            }
            if (!moved) {
                add(unmovedSlot, v.position);
            } else if (!weighted) {
                boxesKnown = false;
                return;
            }
        }
    }
}

ThiefBounds BoneBoxes::thiefBounds(const PlayerModel& model, const std::vector<glm::mat4>& boneMatrices,
                                   const glm::vec3& controllerPosition, float yawDegrees) {
    ThiefBounds bounds;
    boxBones(model);
    if (!boxesKnown) {
        return bounds;
    }
    // The bone matrices the program holds; its array is 100 long.
    const std::size_t uploaded = std::min(boneMatrices.size(), boneSlots);
    const glm::mat4 placement = playerModelMatrix(controllerPosition, yawDegrees);
    for (std::size_t slot = 0; slot <= boneSlots; ++slot) {
        const BoneBox& box = boxes[slot];
        if (!box.used) {
            continue;
        }
        glm::mat4 transform = placement;
        if (slot != unmovedSlot) {
            if (slot >= uploaded) {
                return bounds;  // a bone the program has no matrix of ours for
            }
            const glm::mat4& bone = boneMatrices[slot];
            if (!isAffine(bone) || !isFinite(bone)) {
                return bounds;
            }
            transform = placement * bone;
        }
        growByTransformedBox(bounds, transform, box.low, box.high);
    }
    bounds.known = isFinite(placement) && std::isfinite(bounds.low.x + bounds.low.y + bounds.low.z + bounds.high.x +
                                                        bounds.high.y + bounds.high.z);
    return bounds;
}

bool boundsOutsideView(const glm::vec3& low, const glm::vec3& high, const glm::mat4& viewProjection) {
    glm::vec4 corners[8];
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 p = boxCorner(low, high, corner);
        corners[corner] = viewProjection * glm::vec4(p, 1.0f);
    }
    // The six planes of the clip volume, -w <= x, y, z <= w, as signed distances (inside >= 0).
    // A margin of 1 % of w is about 2.5 texels of a 512-texel face.
    for (int plane = 0; plane < 6; ++plane) {
        const int axis = plane / 2;
        const float sign = (plane % 2 == 0) ? 1.0f : -1.0f;
        bool allOutside = true;
        for (const glm::vec4& c : corners) {
            const float distance = c.w + sign * c[axis];
            if (!(distance < -(0.01f * std::abs(c.w) + 1e-4f))) {
                allOutside = false;
                break;
            }
        }
        if (allOutside) {
            return true;
        }
    }
    return false;
}

TexelRect boundsTexelRect(const glm::vec3& low, const glm::vec3& high, const glm::mat4& viewProjection, int size) {
    const TexelRect whole{0, 0, size, size};
    // Each corner in window coordinates; with every corner in front of the eye the box projects
    // inside their hull, so the texels a drawn point can cover lie inside their extent.
    float xLow = 0.0f;
    float xHigh = 0.0f;
    float yLow = 0.0f;
    float yHigh = 0.0f;
    const float half = 0.5f * static_cast<float>(size);
    for (int corner = 0; corner < 8; ++corner) {
        const glm::vec3 p = boxCorner(low, high, corner);
        const glm::vec4 c = viewProjection * glm::vec4(p, 1.0f);
        if (!(c.w > 1e-4f)) {
            return whole;
        }
        // Clamped well outside the target first, so the integer conversion below cannot overflow.
        const float x = glm::clamp((c.x / c.w + 1.0f) * half, -8.0f, static_cast<float>(size) + 8.0f);
        const float y = glm::clamp((c.y / c.w + 1.0f) * half, -8.0f, static_cast<float>(size) + 8.0f);
        if (!std::isfinite(x) || !std::isfinite(y)) {
            return whole;
        }
        xLow = corner == 0 ? x : std::min(xLow, x);
        xHigh = corner == 0 ? x : std::max(xHigh, x);
        yLow = corner == 0 ? y : std::min(yLow, y);
        yHigh = corner == 0 ? y : std::max(yHigh, y);
    }
    // Two texels of margin: the program places the vertices with its own rounding, and lines
    // (wireframe) reach half a texel beyond the edges they join.
    constexpr int margin = 2;
    TexelRect rect;
    rect.x0 = std::max(0, static_cast<int>(std::floor(xLow)) - margin);
    rect.y0 = std::max(0, static_cast<int>(std::floor(yLow)) - margin);
    rect.x1 = std::min(size, static_cast<int>(std::ceil(xHigh)) + margin);
    rect.y1 = std::min(size, static_cast<int>(std::ceil(yHigh)) + margin);
    return rect;
}

ThiefFootprint thiefFootprint(const ThiefBounds& thief, const glm::mat4& viewProjection, int size) {
    ThiefFootprint footprint;
    footprint.reaches = !thief.known || (!thief.empty && !boundsOutsideView(thief.low, thief.high, viewProjection));
    if (footprint.reaches) {
        footprint.rect = thief.known ? boundsTexelRect(thief.low, thief.high, viewProjection, size)
                                     : TexelRect{0, 0, size, size};
    }
    return footprint;
}
