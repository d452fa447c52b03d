#include "platform/physics/PhysicsInternal.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace phys {
namespace detail {
namespace {

bool isFinite(const glm::vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

// ---- Shape ----------------------------------------------------------------

ShapeImpl::ShapeImpl(const Geometry& geometry, Material* material, bool exclusive, ShapeFlags flags)
    : type(geometry.getType()), material(material), exclusive(exclusive), flags(flags)
{
    if (type == GeometryType::Box) {
        boxHalfExtents = static_cast<const BoxGeometry&>(geometry).halfExtents;
        auto box = std::make_unique<btBoxShape>(toBt(boxHalfExtents));
        // btBoxShape keeps its outer extents when the margin changes.
        const float smallest = std::min({boxHalfExtents.x, boxHalfExtents.y, boxHalfExtents.z});
        box->setMargin(std::min(kBoxMargin, 0.1f * smallest));
        bulletShape = std::move(box);
    } else {
        sphereRadius = static_cast<const SphereGeometry&>(geometry).radius;
        bulletShape = std::make_unique<btSphereShape>(sphereRadius);
    }
}

bool ShapeImpl::isValidGeometry(const Geometry& geometry)
{
    if (geometry.getType() == GeometryType::Box) {
        const glm::vec3& h = static_cast<const BoxGeometry&>(geometry).halfExtents;
        return isFinite(h) && h.x > 0.0f && h.y > 0.0f && h.z > 0.0f;
    }
    const float r = static_cast<const SphereGeometry&>(geometry).radius;
    return std::isfinite(r) && r > 0.0f;
}

bool ShapeImpl::getBoxGeometry(BoxGeometry& out) const
{
    if (type != GeometryType::Box)
        return false;
    out.halfExtents = boxHalfExtents;
    return true;
}

bool ShapeImpl::getSphereGeometry(SphereGeometry& out) const
{
    if (type != GeometryType::Sphere)
        return false;
    out.radius = sphereRadius;
    return true;
}

// ---- RigidStatic ----------------------------------------------------------

void RigidStaticImpl::insert(btCollisionWorld& world, Attachment& attachment)
{
    const bool query = attachment.shape->isQueryShape();
    world.addCollisionObject(attachment.object.get(), query ? kStaticGroup : kHiddenGroup,
                             query ? (btBroadphaseProxy::AllFilter ^ kStaticGroup) : 0);
}

bool RigidStaticImpl::attachShape(Shape& shape)
{
    auto& impl = static_cast<ShapeImpl&>(shape);
    if (released)
        return false;
    for (const Attachment& a : attached)
        if (a.shape == &impl)
            return false;
    if (impl.isExclusive() && impl.attachmentCount > 0)
        return false;
    if (scene != nullptr)
        scene->finishStep();

    auto object = std::make_unique<btCollisionObject>();
    object->setCollisionShape(&impl.collisionShape());
    btTransform xf;
    xf.setOrigin(toBt(pose.p));
    xf.setRotation(btQuaternion(pose.q.x, pose.q.y, pose.q.z, pose.q.w));
    object->setWorldTransform(xf);
    object->setCollisionFlags(object->getCollisionFlags() | btCollisionObject::CF_STATIC_OBJECT);
    object->setUserPointer(static_cast<Shape*>(&impl));
    attached.push_back({&impl, std::move(object)});
    ++impl.attachmentCount;
    if (scene != nullptr && scene->getWorld() != nullptr)
        insert(*scene->getWorld(), attached.back());
    return true;
}

void RigidStaticImpl::addTo(btCollisionWorld& world)
{
    for (Attachment& a : attached)
        insert(world, a);
}

void RigidStaticImpl::removeFrom(btCollisionWorld& world)
{
    for (Attachment& a : attached)
        world.removeCollisionObject(a.object.get());
}

void RigidStaticImpl::release()
{
    if (released)
        return;
    if (scene != nullptr)
        scene->removeActor(*this);
    for (Attachment& a : attached)
        --a.shape->attachmentCount;
    released = true;
}

// ---- Physics --------------------------------------------------------------

Material* PhysicsImpl::createMaterial(float staticFriction, float dynamicFriction, float restitution)
{
    if (!std::isfinite(staticFriction) || !std::isfinite(dynamicFriction) || !std::isfinite(restitution))
        return nullptr;
    materials.push_back(std::make_unique<MaterialImpl>(staticFriction, dynamicFriction, restitution));
    return materials.back().get();
}

Shape* PhysicsImpl::createShape(const Geometry& geometry, Material& material, bool isExclusive, ShapeFlags flags)
{
    if (!ShapeImpl::isValidGeometry(geometry))
        return nullptr;
    shapes.push_back(std::make_unique<ShapeImpl>(geometry, &material, isExclusive, flags));
    return shapes.back().get();
}

RigidStatic* PhysicsImpl::createRigidStatic(const Transform& pose)
{
    const float qLength = glm::length(pose.q);
    if (!isFinite(pose.p) || !std::isfinite(qLength) || std::fabs(qLength - 1.0f) > 1e-3f)
        return nullptr;
    actors.push_back(std::make_unique<RigidStaticImpl>(pose));
    return actors.back().get();
}

Scene* PhysicsImpl::createScene(const SceneDesc& desc)
{
    if (!isFinite(desc.gravity))
        return nullptr;
    scenes.push_back(std::make_unique<SceneImpl>(*this, desc, pvd != nullptr));
    return scenes.back().get();
}

ControllerManagerImpl* PhysicsImpl::createControllerManager(SceneImpl& scene, bool lockingEnabled)
{
    managers.push_back(std::make_unique<ControllerManagerImpl>(*this, scene, lockingEnabled));
    scene.addManager(*managers.back());
    return managers.back().get();
}

BoxControllerImpl* PhysicsImpl::adopt(std::unique_ptr<BoxControllerImpl> controller)
{
    controllers.push_back(std::move(controller));
    return controllers.back().get();
}

void PhysicsImpl::release()
{
    // Take everything out of the collision worlds before any of it is freed.
    for (auto& manager : managers)
        manager->release();
    for (auto& scene : scenes)
        scene->release();
    for (auto& actor : actors)
        actor->release();
    delete this;
}

}  // namespace detail

Physics* createPhysics(Foundation&, const TolerancesScale& scale, bool trackAllocations, Pvd* pvd)
{
    if (!(scale.length > 0.0f) || !(scale.speed > 0.0f))
        return nullptr;
    return new (std::nothrow) detail::PhysicsImpl(scale, trackAllocations, pvd);
}

}  // namespace phys
