#pragma once
// Where the thief can be drawn: a box in render space around his skinned vertices as the
// animated-model program places them, and what such a box can reach on a target seen through a
// view-projection. The capture uses them to tell which faces, and which texels of a face, the
// thief can have changed.
#include <cstddef>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

class PlayerModel;

// The thief's bounds in render space; `known` false when they cannot be bounded (every face
// counts as reached then).
struct ThiefBounds {
    bool known = false;
    bool empty = true;
    glm::vec3 low{0.0f};
    glm::vec3 high{0.0f};
};

// A rectangle of texels, [x0, x1) x [y0, y1) from the face's lower left corner.
struct TexelRect {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

// Mesh-space boxes of the player model's vertices, one per bone that moves them (slot 100: the
// vertices no bone moves), made once per model; any pose carries them around the posed thief.
class BoneBoxes {
public:
    // The thief's bounds around his vertices posed by `boneMatrices` (as the animated program
    // holds them) and placed at the controller's position (physics space) facing `yawDegrees`.
    ThiefBounds thiefBounds(const PlayerModel& model, const std::vector<glm::mat4>& boneMatrices,
                            const glm::vec3& controllerPosition, float yawDegrees);

private:
    struct BoneBox {
        bool used = false;
        glm::vec3 low{0.0f};
        glm::vec3 high{0.0f};
    };
    const void* boxedModel = nullptr;
    const void* boxedVertices = nullptr;
    std::size_t boxedVertexCount = 0;
    bool boxesKnown = false;
    std::vector<BoneBox> boxes;
    void boxBones(const PlayerModel& model);
};

// True when nothing inside `bounds` (render space) can reach the clip volume of
// `viewProjection`: every corner lies outside one and the same clip plane, with a margin of a
// few texels for rounding.
bool boundsOutsideView(const glm::vec3& low, const glm::vec3& high, const glm::mat4& viewProjection);

// The texels of a `size` x `size` target that anything inside `bounds` (render space) can
// cover under `viewProjection`, with a margin for rounding; the whole target when the bounds
// reach behind or too close to the eye (their projection is then unbounded).
TexelRect boundsTexelRect(const glm::vec3& low, const glm::vec3& high, const glm::mat4& viewProjection, int size);

// Where the thief's bounds reach a `size` x `size` target seen through `viewProjection`.
struct ThiefFootprint {
    bool reaches = false;  // some texel may show him
    TexelRect rect;        // the texels he may cover (meaningful when he reaches)
};
// The whole target when his bounds are not known; nothing when they are empty or out of view.
ThiefFootprint thiefFootprint(const ThiefBounds& thief, const glm::mat4& viewProjection, int size);
