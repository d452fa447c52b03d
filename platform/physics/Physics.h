#pragma once

// The physics object and what it makes: materials, shapes and static actors.
// Including this header brings in the whole physics layer (foundation, visual debugger,
// dispatcher, scene and character controller).

#include "platform/physics/CharacterController.h"
#include "platform/physics/CpuDispatcher.h"
#include "platform/physics/Foundation.h"
#include "platform/physics/Geometry.h"
#include "platform/physics/Pvd.h"
#include "platform/physics/Scene.h"

namespace phys {

class Material : public Object {
public:
    virtual float getStaticFriction() const = 0;
    virtual float getDynamicFriction() const = 0;
    virtual float getRestitution() const = 0;
};

class Shape : public Object {
public:
    virtual GeometryType getGeometryType() const = 0;
    // False (and out left alone) when the geometry is of the other type.
    virtual bool getBoxGeometry(BoxGeometry& out) const = 0;
    virtual bool getSphereGeometry(SphereGeometry& out) const = 0;
    virtual ShapeFlags getFlags() const = 0;
    virtual bool isExclusive() const = 0;
    // Null for the box of a character controller created without a material.
    virtual Material* getMaterial() const = 0;
};

// An actor that never moves. Its shapes sit at the actor's pose.
class RigidStatic : public Object {
public:
    // False when the shape is exclusive and already attached to an actor, or is already
    // attached to this one. Release removes the actor from its scene.
    virtual bool attachShape(Shape& shape) = 0;
    virtual Transform getGlobalPose() const = 0;
    virtual unsigned getNbShapes() const = 0;
};

class Physics : public Object {
public:
    // Values must be finite; friction and restitution are stored, as nothing here simulates them.
    virtual Material* createMaterial(float staticFriction, float dynamicFriction, float restitution) = 0;
    // Null for a geometry that is not positive and finite (half extents, radius).
    virtual Shape* createShape(const Geometry& geometry, Material& material, bool isExclusive,
                               ShapeFlags flags) = 0;
    virtual RigidStatic* createRigidStatic(const Transform& pose) = 0;
    virtual Scene* createScene(const SceneDesc& desc) = 0;
    virtual const TolerancesScale& getTolerancesScale() const = 0;
    // release() also releases every object this Physics made that is still alive.
};

// pvd may be null. Null only when memory runs out.
Physics* createPhysics(Foundation& foundation, const TolerancesScale& scale, bool trackAllocations, Pvd* pvd);

}  // namespace phys
