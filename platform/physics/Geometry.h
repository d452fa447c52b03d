#pragma once

// Value types shared by the physics API: world scale, shapes' geometry, poses and shape flags.
// Physics space is the level's space with z negated, in metres.

#include <cstdint>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

namespace phys {

// Typical object length (metres) and speed (metres per second) of the world.
struct TolerancesScale {
    float length = 1.0f;
    float speed = 10.0f;
};

enum class GeometryType { Sphere, Box };

class Geometry {
public:
    GeometryType getType() const { return type; }

protected:
    explicit Geometry(GeometryType geometryType) : type(geometryType) {}

private:
    GeometryType type;
};

struct BoxGeometry : Geometry {
    glm::vec3 halfExtents{0.0f};

    BoxGeometry() : Geometry(GeometryType::Box) {}
    BoxGeometry(const glm::vec3& half) : Geometry(GeometryType::Box), halfExtents(half) {}
    BoxGeometry(float hx, float hy, float hz) : Geometry(GeometryType::Box), halfExtents(hx, hy, hz) {}
};

struct SphereGeometry : Geometry {
    float radius = 0.0f;

    SphereGeometry() : Geometry(GeometryType::Sphere) {}
    SphereGeometry(float r) : Geometry(GeometryType::Sphere), radius(r) {}
};

// A rigid pose: rotation q (w, x, y, z; identity by default) then translation p.
struct Transform {
    glm::vec3 p{0.0f};
    glm::quat q{1.0f, 0.0f, 0.0f, 0.0f};
};

// Bit set; ShapeFlags::SimulationShape | ShapeFlags::SceneQueryShape | ShapeFlags::Visualization
// is 11. Shapes without SceneQueryShape are invisible to ray casts and to controllers.
struct ShapeFlags {
    enum Bits : std::uint32_t { SimulationShape = 1u, SceneQueryShape = 2u, Visualization = 8u };

    std::uint32_t bits = 0;

    constexpr ShapeFlags() = default;
    constexpr ShapeFlags(std::uint32_t value) : bits(value) {}
    constexpr operator std::uint32_t() const { return bits; }
    constexpr bool isSet(Bits bit) const { return (bits & bit) != 0; }
};
using ShapeFlag = ShapeFlags;

}  // namespace phys
