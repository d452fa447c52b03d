#include "renderer/MirrorFaces.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <glm/geometric.hpp>

#include "renderer/EnvironmentMap.h"
#include "renderer/ThiefBounds.h"

unsigned int mirrorFacesInView(const glm::vec3& eye, const glm::mat4& viewProjection, float fovDegrees,
                               int viewportHeight) {
    constexpr float half = 0.5f;  // the cube's half edge as drawn (its w is scaled with it)
    if (boundsOutsideView(glm::vec3(-half), glm::vec3(half), viewProjection)) {
        return 0;
    }
    // A pixel the cube covers only in part is shaded at its centre, which may lie outside the
    // cube's side: the position there is carried on past the side's edge by up to a pixel's
    // diagonal. Twice a pixel at the cube's far corner, plus a little for rounding.
    const float farthest = glm::length(eye) + 0.8660254f * 2.0f * half;
    const float pixel = viewportHeight > 0
                            ? farthest * 2.0f * std::tan(0.5f * fovDegrees * 0.017453292f) /
                                  static_cast<float>(viewportHeight)
                            : std::numeric_limits<float>::infinity();
    const float margin = 2.0f * pixel + 1e-3f;
    if (!std::isfinite(margin) || !std::isfinite(eye.x + eye.y + eye.z)) {
        return allEnvironmentFaces;
    }
    unsigned int faces = 0;
    // Every side counts, not only those turned to the eye: in outlines (F1) the far sides show
    // through, and where a near side meets a far one on the outline a sample of the far side
    // can win the depth test.
    for (int k = 0; k < 3; ++k) {
        for (float s : {1.0f, -1.0f}) {
            // The reflected rays of the side whose outward normal is s along axis k, up to a
            // positive factor: along k the eye's offset from the side's plane, the others over
            // the side (and a little past it).
            float low[3], high[3];
            for (int j = 0; j < 3; ++j) {
                const float centre = j == k ? eye[j] - s * half : 0.0f;
                const float reach = j == k ? margin : half + margin;
                low[j] = (j == k ? centre : -eye[j]) - reach;
                high[j] = (j == k ? centre : -eye[j]) + reach;
            }
            // A face of the map is read when some ray has its axis as the longest: the ray's
            // largest reach along that axis must match the least it can have along each other
            // axis (the ranges are independent, so both are reached by one ray).
            for (int t = 0; t < 3; ++t) {
                for (float sign : {1.0f, -1.0f}) {
                    const float reach = sign > 0.0f ? high[t] : -low[t];
                    if (reach <= 0.0f) {
                        continue;
                    }
                    bool longest = true;
                    for (int u = 0; u < 3 && longest; ++u) {
                        if (u == t) {
                            continue;
                        }
                        const float least = (low[u] <= 0.0f && high[u] >= 0.0f)
                                                ? 0.0f
                                                : std::min(std::abs(low[u]), std::abs(high[u]));
                        longest = least <= reach * 1.001f + 1e-5f;
                    }
                    if (!longest) {
                        continue;
                    }
                    // The lookup rule of the mirror's program: a ray along y reads the y faces
                    // by its sign, along x the x faces, and along z the z faces with the sign
                    // turned (the capture draws the view along -Z into +Z).
                    int face = 0;
                    if (t == 0) {
                        face = sign > 0.0f ? 0 : 1;
                    } else if (t == 1) {
                        face = sign > 0.0f ? 2 : 3;
                    } else {
                        face = sign > 0.0f ? 5 : 4;
                    }
                    faces |= 1u << face;
                }
            }
        }
    }
    return faces;
}
