#include "renderer/MirrorFaces.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <glm/geometric.hpp>

#include "renderer/EnvironmentMap.h"
#include "renderer/ThiefBounds.h"

namespace {

constexpr float half = 0.5f;  // the cube's half edge as drawn (its w is scaled with it)

// How far past the edge of a side a shaded position can lie. A pixel the cube covers only in
// part is shaded at its centre, which may lie outside the cube's side: the position there is
// carried on past the side's edge by up to a pixel's diagonal. Twice a pixel at the cube's far
// corner, plus a little for rounding; infinite without a viewport.
float shadingMargin(const glm::vec3& eye, float fovDegrees, int viewportHeight) {
    const float farthest = glm::length(eye) + 0.8660254f * 2.0f * half;
    const float pixel = viewportHeight > 0
                            ? farthest * 2.0f * std::tan(0.5f * fovDegrees * 0.017453292f) /
                                  static_cast<float>(viewportHeight)
                            : std::numeric_limits<float>::infinity();
    return 2.0f * pixel + 1e-3f;
}

// A box of directions, per axis the range [low, high] of the rays' component.
struct RayBox {
    float low[3];
    float high[3];
};

// The reflected rays of the side whose outward normal is `side` along `axis`, up to a positive
// factor: along the axis the eye's offset from the side's plane, along the others the offset
// from the eye to the side (and a little past it).
RayBox reflectedRays(const glm::vec3& eye, int axis, float side, float margin) {
    RayBox rays;
    for (int j = 0; j < 3; ++j) {
        const float centre = j == axis ? eye[j] - side * half : 0.0f;
        const float reach = j == axis ? margin : half + margin;
        rays.low[j] = (j == axis ? centre : -eye[j]) - reach;
        rays.high[j] = (j == axis ? centre : -eye[j]) + reach;
    }
    return rays;
}

// True when some ray of the box has `axis` as its longest, pointing to `sign`: the ray's largest
// reach along that axis must match the least it can have along each other axis (the ranges are
// independent, so both are reached by one ray). Ties count, with room for rounding.
bool canBeLongest(const RayBox& rays, int axis, float sign) {
    const float reach = sign > 0.0f ? rays.high[axis] : -rays.low[axis];
    if (reach <= 0.0f) {
        return false;
    }
    for (int other = 0; other < 3; ++other) {
        if (other == axis) {
            continue;
        }
        const float least = (rays.low[other] <= 0.0f && rays.high[other] >= 0.0f)
                                ? 0.0f
                                : std::min(std::abs(rays.low[other]), std::abs(rays.high[other]));
        if (!(least <= reach * 1.001f + 1e-5f)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int mirrorFaceFor(const glm::vec3& reflected) {
    const glm::vec3& r = reflected;
    const glm::vec3 a = glm::abs(r);
    const glm::vec3 d = (a.y >= a.x && a.y >= a.z) ? glm::vec3(-r.z, r.y * 1.001f, -r.x) : glm::vec3(r.x, r.y, -r.z);
    const glm::vec3 m = glm::abs(d);
    if (m.x >= m.y && m.x >= m.z) return d.x > 0.0f ? 0 : 1;
    if (m.y >= m.z) return d.y > 0.0f ? 2 : 3;
    return d.z > 0.0f ? 4 : 5;
}

unsigned int mirrorFacesInView(const glm::vec3& eye, const glm::mat4& viewProjection, float fovDegrees,
                               int viewportHeight) {
    if (boundsOutsideView(glm::vec3(-half), glm::vec3(half), viewProjection)) {
        return 0;
    }
    const float margin = shadingMargin(eye, fovDegrees, viewportHeight);
    if (!std::isfinite(margin) || !std::isfinite(eye.x + eye.y + eye.z)) {
        return allEnvironmentFaces;
    }
    unsigned int faces = 0;
    // Every side counts, not only those turned to the eye: in outlines (F1) the far sides show
    // through, and where a near side meets a far one on the outline a sample of the far side
    // can win the depth test.
    for (int axis = 0; axis < 3; ++axis) {
        for (float side : {1.0f, -1.0f}) {
            const RayBox rays = reflectedRays(eye, axis, side, margin);
            // Each axis a ray of the side can lead along, in either direction, reads the face the
            // mirror reads for a ray along that axis.
            for (int longest = 0; longest < 3; ++longest) {
                for (float sign : {1.0f, -1.0f}) {
                    if (canBeLongest(rays, longest, sign)) {
                        glm::vec3 along(0.0f);
                        along[longest] = sign;
                        faces |= 1u << mirrorFaceFor(along);
                    }
                }
            }
        }
    }
    return faces;
}
