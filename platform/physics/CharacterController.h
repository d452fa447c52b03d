#pragma once

// Box character controllers: kinematic boxes moved by collide-and-slide against the static
// shapes of their scene.
//
// A controller is an oriented box centred on its position. Its "height" axis (halfHeight) is
// the up direction, which the game points along the player's horizontal facing; its side axis
// (halfSideExtent) is the part of world +Y orthogonal to the up direction (world +Z when the up
// direction is vertical); its forward axis (halfForwardExtent) is up x side. With a horizontal
// up direction the box therefore stands upright with halfSideExtent as its vertical half size.
//
// move splits the displacement against world vertical: an upward part, a horizontal part that
// slides along what it hits, then a downward part. Shapes are kept contactOffset away. Landing
// on the flat top of a box settles the centre at exactly
//     (box top) + (vertical half size) + contactOffset,
// computed in double from the float inputs, and from then on standing or walking on that top
// leaves the height bit for bit unchanged. There is no stepping up onto ledges.

#include <cstdint>

#include <glm/glm.hpp>

#include "platform/physics/Foundation.h"

namespace phys {

class Material;
class Scene;
class Shape;

struct CollisionFlags {
    enum Bits : std::uint32_t { Sides = 1u, Up = 2u, Down = 4u };

    std::uint32_t bits = 0;

    constexpr CollisionFlags() = default;
    constexpr CollisionFlags(std::uint32_t value) : bits(value) {}
    constexpr operator std::uint32_t() const { return bits; }
    constexpr bool isSet(Bits bit) const { return (bits & bit) != 0; }
};
using CollisionFlag = CollisionFlags;

// Filters of a move; every controller collides with every scene-query shape of the static actors.
struct ControllerFilters {};

struct BoxControllerDesc {
    glm::dvec3 position{0.0};         // centre of the box, physics space
    glm::vec3 upDirection{0.0f, 1.0f, 0.0f};
    float contactOffset = 0.1f;       // gap kept to every shape; must be positive
    float halfHeight = 1.0f;          // along the up direction
    float halfSideExtent = 0.5f;
    float halfForwardExtent = 0.5f;
    // Stored, not acted on: moves never climb a slope or step up a ledge. The level has
    // neither (axis-aligned boxes only, every walkable top at one height).
    float slopeLimit = 0.707f;        // cosine of the steepest walkable slope
    float stepOffset = 0.5f;          // metres
    Material* material = nullptr;

    // Positive, finite extents and contact offset, a finite position and a non-zero up direction.
    bool isValid() const;
};

class Controller : public Object {
public:
    // disp: wanted displacement in metres. A displacement shorter than minDist does nothing
    // (apart from the overlap recovery); minDist also ends the sliding once the rest is shorter.
    // Returns what the move ran into. elapsedTime, filters and obstacles do not change the result.
    virtual CollisionFlags move(const glm::vec3& disp, float minDist, float elapsedTime,
                                const ControllerFilters& filters = {}, const void* obstacles = nullptr) = 0;
    // Centre of the box.
    virtual glm::dvec3 getPosition() const = 0;
    // Teleports the centre (no sweep); false for a non-finite position.
    virtual bool setPosition(const glm::dvec3& position) = 0;
    // Re-orients the box (see the top of this header). A zero or non-finite direction is ignored.
    virtual void setUpDirection(const glm::vec3& up) = 0;
    virtual glm::vec3 getUpDirection() const = 0;
    virtual float getContactOffset() const = 0;
    // The controller's box as ray casts report it (geometry type Box, half extents in the order
    // height, side, forward).
    virtual Shape* getShape() const = 0;
};

class ControllerManager : public Object {
public:
    // Null for an invalid description (BoxControllerDesc::isValid) or a released manager or scene.
    virtual Controller* createController(const BoxControllerDesc& desc) = 0;
    // With recovery on (the default), a controller that overlaps a static shape, e.g. after
    // setUpDirection turned it into a wall or setPosition put it inside a box, is pushed out by
    // the smallest translation at the start of its next move.
    virtual void setOverlapRecoveryModule(bool enabled) = 0;
    virtual unsigned getNbControllers() const = 0;
    // release() also releases the manager's controllers.
};

ControllerManager* createControllerManager(Scene& scene, bool lockingEnabled);

}  // namespace phys
