#include "platform/physics/PhysicsInternal.h"

#include <algorithm>
#include <cmath>

#include <BulletCollision/NarrowPhaseCollision/btGjkEpaPenetrationDepthSolver.h>
#include <BulletCollision/NarrowPhaseCollision/btGjkPairDetector.h>
#include <BulletCollision/NarrowPhaseCollision/btPointCollector.h>
#include <BulletCollision/NarrowPhaseCollision/btVoronoiSimplexSolver.h>

namespace phys {
namespace detail {
namespace {

constexpr int kSlideIterations = 4;
constexpr int kRecoveryIterations = 4;
// Moves shorter than this (metres) are dropped, so a controller held against a shape does not
// creep by the float noise of the contact distance.
constexpr double kMinTravel = 1e-5;
// How far (metres) a sweep's contact may lie from a box top for the landing to snap onto it.
constexpr double kSnapTolerance = 1e-3;
// Overlaps shallower than this (metres) are left to the sweeps.
constexpr double kPenetrationTolerance = 1e-5;

bool isFinite(const glm::dvec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

const ShapeImpl& shapeOf(const btCollisionObject& object)
{
    return *static_cast<const ShapeImpl*>(static_cast<const Shape*>(object.getUserPointer()));
}

// Deepest overlap between the controller and the static shapes, as the direction that pushes
// the controller out.
struct PenetrationCallback : btCollisionWorld::ContactResultCallback {
    const btCollisionObject* self = nullptr;
    double depth = 0.0;
    glm::dvec3 pushDirection{0.0};

    btScalar addSingleResult(btManifoldPoint& point, const btCollisionObjectWrapper* a, int, int,
                             const btCollisionObjectWrapper*, int, int) override
    {
        const double d = -static_cast<double>(point.getDistance());
        if (d > depth) {
            depth = d;
            // The normal lies on B and points towards A.
            const glm::dvec3 n = toDvec(point.m_normalWorldOnB);
            pushDirection = (a->getCollisionObject() == self) ? n : -n;
        }
        return 0;
    }
};

}  // namespace

// ---- Controller ------------------------------------------------------------

BoxControllerImpl::BoxControllerImpl(ControllerManagerImpl& owner, const BoxControllerDesc& desc)
    : manager(&owner),
      position(desc.position),
      upDirection(glm::normalize(desc.upDirection)),
      contactOffset(desc.contactOffset),
      halfExtents(desc.halfHeight, desc.halfSideExtent, desc.halfForwardExtent)
{
    shape = std::make_unique<ShapeImpl>(BoxGeometry(halfExtents), desc.material, true,
                                        ShapeFlags(ShapeFlags::SimulationShape | ShapeFlags::SceneQueryShape));
    object = std::make_unique<btCollisionObject>();
    object->setCollisionShape(&shape->collisionShape());
    object->setCollisionFlags(object->getCollisionFlags() | btCollisionObject::CF_KINEMATIC_OBJECT);
    object->setUserPointer(static_cast<Shape*>(shape.get()));
    updateFrame();
}

BoxControllerImpl::~BoxControllerImpl() = default;

btCollisionWorld* BoxControllerImpl::world() const
{
    if (released || manager == nullptr || manager->getScene() == nullptr)
        return nullptr;
    return manager->getScene()->getWorld();
}

void BoxControllerImpl::updateFrame()
{
    const glm::vec3 up = upDirection;
    glm::vec3 side = glm::vec3(0.0f, 1.0f, 0.0f) - up.y * up;
    if (glm::length(side) < 1e-4f)  // up is vertical: fall back to world +Z for the side axis
        side = glm::vec3(0.0f, 0.0f, 1.0f) - up.z * up;
    side = glm::normalize(side);
    const glm::vec3 forward = glm::cross(up, side);
    basis.setValue(up.x, side.x, forward.x,
                   up.y, side.y, forward.y,
                   up.z, side.z, forward.z);

    // Half size along world Y; exact (one extent times 1, the others times 0) when upright.
    verticalHalfSize = 0.0;
    float steepest = 0.0f;
    for (int i = 0; i < 3; ++i) {
        const float a = std::fabs(basis[1][i]);
        verticalHalfSize += static_cast<double>(a) * static_cast<double>(halfExtents[i]);
        steepest = std::max(steepest, a);
    }
    flatBottom = steepest >= 1.0f - 1e-6f;
}

void BoxControllerImpl::syncCollisionObject()
{
    btCollisionWorld* w = world();
    if (w == nullptr || !inWorld)
        return;
    object->setWorldTransform(btTransform(basis, toBt(glm::vec3(position))));
    w->updateSingleAabb(object.get());
}

void BoxControllerImpl::addToWorld()
{
    btCollisionWorld* w = world();
    if (w == nullptr || inWorld)
        return;
    object->setWorldTransform(btTransform(basis, toBt(glm::vec3(position))));
    w->addCollisionObject(object.get(), kCharacterGroup, btBroadphaseProxy::AllFilter);
    inWorld = true;
}

void BoxControllerImpl::removeFromWorld()
{
    btCollisionWorld* w = world();
    if (w == nullptr || !inWorld)
        return;
    manager->getScene()->finishStep();
    w->removeCollisionObject(object.get());
    inWorld = false;
}

void BoxControllerImpl::release()
{
    if (released)
        return;
    removeFromWorld();
    manager->removeController(*this);
    released = true;
}

bool BoxControllerImpl::setPosition(const glm::dvec3& p)
{
    if (!isFinite(p))
        return false;
    if (world() != nullptr)
        manager->getScene()->finishStep();
    position = p;
    syncCollisionObject();
    return true;
}

void BoxControllerImpl::setUpDirection(const glm::vec3& up)
{
    const float length = glm::length(up);
    if (!std::isfinite(length) || length <= 0.0f)
        return;
    if (world() != nullptr)
        manager->getScene()->finishStep();
    upDirection = up / length;
    updateFrame();
    syncCollisionObject();
}

bool BoxControllerImpl::closestDistance(const glm::dvec3& at, const btCollisionObject& other, double& distance,
                                        glm::dvec3& normal) const
{
    const btCollisionShape* otherShape = other.getCollisionShape();
    if (!otherShape->isConvex())
        return false;
    // Work in a frame centred on the controller so far-off coordinates cost no float precision.
    const btTransform& xf = other.getWorldTransform();
    const glm::dvec3 offset = toDvec(xf.getOrigin()) - at;
    btGjkPairDetector::ClosestPointInput input;
    input.m_transformA = btTransform(basis, btVector3(0, 0, 0));
    input.m_transformB = btTransform(xf.getBasis(), toBt(glm::vec3(offset)));
    btVoronoiSimplexSolver simplex;
    btGjkEpaPenetrationDepthSolver penetration;
    btGjkPairDetector gjk(static_cast<const btConvexShape*>(&shape->collisionShape()),
                          static_cast<const btConvexShape*>(otherShape), &simplex, &penetration);
    btPointCollector result;
    gjk.getClosestPoints(input, result, nullptr);
    if (!result.m_hasResult)
        return false;
    const glm::dvec3 n = toDvec(result.m_normalOnBInWorld);
    const double nLength = glm::length(n);
    if (!std::isfinite(result.m_distance) || !(nLength > 0.0) || !std::isfinite(nLength))
        return false;
    distance = result.m_distance;
    normal = n / nLength;
    return true;
}

// Moves `travel` along dir until the distance to `other` is `target`, by conservative
// advancement on the exact distances: from either side it ends on the near side of the spot.
// False when dir runs parallel to the obstacle's surface there.
bool BoxControllerImpl::advanceToDistance(const glm::dvec3& dir, const btCollisionObject& other, double target,
                                          double& travel, glm::dvec3& normal) const
{
    for (int i = 0; i < 8; ++i) {
        double distance = 0.0;
        glm::dvec3 n;
        if (!closestDistance(position + dir * travel, other, distance, n))
            return false;
        normal = n;
        const double approach = -glm::dot(dir, n);
        if (approach <= 1e-6)
            return false;
        travel += (distance - target) / approach;
        if (std::fabs(distance - target) < 1e-7)
            break;
    }
    return std::isfinite(travel);
}

bool BoxControllerImpl::sweep(const glm::dvec3& dir, double length, SweepHit& hit) const
{
    btCollisionWorld* w = world();
    const btVector3 from = toBt(glm::vec3(position));
    const btVector3 to = toBt(glm::vec3(position + dir * length));
    btCollisionWorld::ClosestConvexResultCallback closest(from, to);
    closest.m_collisionFilterGroup = kCharacterGroup;
    closest.m_collisionFilterMask = kStaticGroup;
    w->convexSweepTest(static_cast<const btConvexShape*>(&shape->collisionShape()), btTransform(basis, from),
                       btTransform(basis, to), closest, 0.0f);
    if (!closest.hasHit() || closest.m_hitCollisionObject == nullptr)
        return false;

    // Bullet's advance stops within a millimetre of the contact; finish it from there.
    const btCollisionObject& other = *closest.m_hitCollisionObject;
    double touch = static_cast<double>(closest.m_closestHitFraction) * length;
    glm::dvec3 normal = glm::normalize(toDvec(closest.m_hitNormalWorld));
    advanceToDistance(dir, other, 0.0, touch, normal);
    if (!std::isfinite(touch) || touch > length)
        return false;
    hit.touch = std::max(touch, 0.0);
    hit.normal = normal;
    hit.object = &other;

    // Back off until the gap along the surface normal is the contact offset.
    double stop = hit.touch;
    glm::dvec3 stopNormal;
    if (!advanceToDistance(dir, other, contactOffset, stop, stopNormal))
        stop = hit.touch - contactOffset;
    hit.stop = std::clamp(stop, 0.0, hit.touch);
    return true;
}

bool BoxControllerImpl::flatTopRestHeight(const SweepHit& hit, double& restY) const
{
    if (!flatBottom || hit.normal.y < 0.99)
        return false;
    const ShapeImpl& other = shapeOf(*hit.object);
    if (other.getGeometryType() != GeometryType::Box)
        return false;
    const btTransform& xf = hit.object->getWorldTransform();
    double extent = 0.0;
    float steepest = 0.0f;
    for (int i = 0; i < 3; ++i) {
        const float a = std::fabs(xf.getBasis()[1][i]);
        extent += static_cast<double>(a) * static_cast<double>(other.halfExtents()[i]);
        steepest = std::max(steepest, a);
    }
    if (steepest < 1.0f - 1e-6f)
        return false;  // a tilted box has no flat top
    const double top = static_cast<double>(xf.getOrigin().y()) + extent;
    const double bottomAtTouch = position.y - hit.touch - verticalHalfSize;
    if (std::fabs(bottomAtTouch - top) > kSnapTolerance)
        return false;
    restY = top + verticalHalfSize + static_cast<double>(contactOffset);
    return true;
}

std::uint32_t BoxControllerImpl::moveVertical(double dy)
{
    const double travel = std::fabs(dy);
    const glm::dvec3 dir(0.0, dy > 0.0 ? 1.0 : -1.0, 0.0);
    SweepHit hit{};
    if (!sweep(dir, travel + lookAhead(), hit)) {
        position.y += dy;
        return 0;
    }
    double restY = 0.0;
    if (dy < 0.0 && flatTopRestHeight(hit, restY)) {
        // Landing on or standing on a box top: always the same height, whatever the float
        // noise of the sweep, so a standing controller keeps its height bit for bit.
        if (restY < position.y + dy) {
            position.y += dy;  // the top lies below this move's reach
            return 0;
        }
        if (restY <= position.y + kSnapTolerance)
            position.y = restY;
        return CollisionFlags::Down;
    }
    if (hit.stop >= travel) {
        position.y += dy;
        return 0;
    }
    if (hit.stop > kMinTravel)
        position.y += dir.y * hit.stop;
    return dy > 0.0 ? CollisionFlags::Up : CollisionFlags::Down;
}

std::uint32_t BoxControllerImpl::moveHorizontal(const glm::dvec3& disp, double minDist)
{
    // Only x and z change here, so walking never alters the height.
    glm::dvec3 remaining(disp.x, 0.0, disp.z);
    std::uint32_t flags = 0;
    for (int i = 0; i < kSlideIterations; ++i) {
        const double length = glm::length(remaining);
        if (!(length > 0.0) || (i > 0 && length < std::max(minDist, kMinTravel)))
            break;
        const glm::dvec3 dir = remaining / length;
        SweepHit hit{};
        if (!sweep(dir, length + lookAhead(), hit) || hit.stop >= length) {
            position.x += remaining.x;
            position.z += remaining.z;
            break;
        }
        flags |= CollisionFlags::Sides;
        const double moved = hit.stop > kMinTravel ? hit.stop : 0.0;
        position.x += dir.x * moved;
        position.z += dir.z * moved;
        // Slide: keep what is left of the move minus its part into the obstacle.
        remaining = dir * (length - moved);
        glm::dvec3 n(hit.normal.x, 0.0, hit.normal.z);
        const double nLength = glm::length(n);
        if (nLength < 1e-6)
            break;
        n /= nLength;
        const double into = glm::dot(remaining, n);
        if (into < 0.0)
            remaining -= into * n;
    }
    return flags;
}

void BoxControllerImpl::recoverFromOverlap()
{
    btCollisionWorld* w = world();
    for (int i = 0; i < kRecoveryIterations; ++i) {
        syncCollisionObject();
        PenetrationCallback overlap;
        overlap.self = object.get();
        overlap.m_collisionFilterGroup = kCharacterGroup;
        overlap.m_collisionFilterMask = kStaticGroup;
        w->contactTest(object.get(), overlap);
        if (overlap.depth <= kPenetrationTolerance)
            break;
        glm::dvec3 push = overlap.pushDirection;
        if (std::fabs(push.y) < 1e-3)
            push.y = 0.0;  // out of a wall: sideways only, the height stays bit-exact
        const double length = glm::length(push);
        if (!(length > 0.0) || !std::isfinite(length))
            break;
        position += push / length * (overlap.depth + static_cast<double>(contactOffset));
    }
}

CollisionFlags BoxControllerImpl::move(const glm::vec3& disp, float minDist, float, const ControllerFilters&,
                                       const void*)
{
    if (world() == nullptr)
        return 0;
    manager->getScene()->finishStep();
    if (manager->recoversOverlaps())
        recoverFromOverlap();

    const glm::dvec3 d(disp);
    const double length = glm::length(d);
    const double minimum = std::isfinite(minDist) ? std::max(0.0, static_cast<double>(minDist)) : 0.0;
    std::uint32_t flags = 0;
    if (std::isfinite(length) && length > 0.0 && length >= minimum) {
        // Up first, then sideways, then down, each against what the previous part left.
        if (d.y > 0.0)
            flags |= moveVertical(d.y);
        flags |= moveHorizontal(d, minimum);
        if (d.y < 0.0)
            flags |= moveVertical(d.y);
    }
    syncCollisionObject();
    return flags;
}

// ---- Manager ---------------------------------------------------------------

Controller* ControllerManagerImpl::createController(const BoxControllerDesc& desc)
{
    if (released || scene == nullptr || scene->getWorld() == nullptr || !desc.isValid())
        return nullptr;
    scene->finishStep();
    BoxControllerImpl* controller = physics.adopt(std::make_unique<BoxControllerImpl>(*this, desc));
    controller->addToWorld();
    controllers.push_back(controller);
    return controller;
}

void ControllerManagerImpl::removeController(BoxControllerImpl& controller)
{
    controllers.erase(std::remove(controllers.begin(), controllers.end(), &controller), controllers.end());
}

void ControllerManagerImpl::detachFromScene()
{
    while (!controllers.empty())
        controllers.back()->release();
    scene = nullptr;
}

void ControllerManagerImpl::release()
{
    if (released)
        return;
    SceneImpl* owner = scene;
    detachFromScene();
    if (owner != nullptr)
        owner->removeManager(*this);
    released = true;
}

}  // namespace detail

bool BoxControllerDesc::isValid() const
{
    const auto positive = [](float v) { return std::isfinite(v) && v > 0.0f; };
    const float upLength = glm::length(upDirection);
    return detail::isFinite(position) && std::isfinite(upLength) && upLength > 0.0f && positive(contactOffset) &&
           positive(halfHeight) && positive(halfSideExtent) && positive(halfForwardExtent);
}

ControllerManager* createControllerManager(Scene& scene, bool lockingEnabled)
{
    auto& impl = static_cast<detail::SceneImpl&>(scene);
    if (impl.getWorld() == nullptr)
        return nullptr;
    return impl.getPhysics().createControllerManager(impl, lockingEnabled);
}

}  // namespace phys
