#include "platform/physics/PhysicsInternal.h"

#include <algorithm>
#include <cmath>

namespace phys::detail {

SceneImpl::SceneImpl(PhysicsImpl& physics, const SceneDesc& desc, bool withPvdClient)
    : physics(physics), desc(desc)
{
    configuration = std::make_unique<btDefaultCollisionConfiguration>();
    dispatcher = std::make_unique<btCollisionDispatcher>(configuration.get());
    broadphase = std::make_unique<btDbvtBroadphase>();
    world = std::make_unique<btCollisionWorld>(dispatcher.get(), broadphase.get(), configuration.get());
    if (withPvdClient)
        pvdClient = std::make_unique<PvdSceneClient>();
}

// The owning Physics releases every scene before it frees them.
SceneImpl::~SceneImpl() = default;

void SceneImpl::release()
{
    if (released)
        return;
    finishStep();
    // Controllers and actors leave the world before it goes; the objects themselves stay
    // with the Physics, inert.
    while (!managers.empty()) {
        ControllerManagerImpl* manager = managers.back();
        managers.pop_back();
        manager->detachFromScene();
    }
    for (RigidStaticImpl* actor : actors) {
        actor->removeFrom(*world);
        actor->scene = nullptr;
    }
    actors.clear();
    world.reset();
    broadphase.reset();
    dispatcher.reset();
    configuration.reset();
    released = true;
}

bool SceneImpl::addActor(RigidStatic& actor)
{
    auto& impl = static_cast<RigidStaticImpl&>(actor);
    if (released || impl.isReleased() || impl.scene != nullptr)
        return false;
    finishStep();
    impl.addTo(*world);
    impl.scene = this;
    actors.push_back(&impl);
    return true;
}

void SceneImpl::removeActor(RigidStaticImpl& actor)
{
    finishStep();
    if (world)
        actor.removeFrom(*world);
    actors.erase(std::remove(actors.begin(), actors.end(), &actor), actors.end());
    actor.scene = nullptr;
}

void SceneImpl::removeManager(ControllerManagerImpl& manager)
{
    managers.erase(std::remove(managers.begin(), managers.end(), &manager), managers.end());
}

// ---- Step -----------------------------------------------------------------
// Nothing here moves by itself: the step refreshes every object's bounds on the workers
// (a controller moved by the game since the last step is picked up here too), then the
// broadphase and its pairs are brought up to date when the results are fetched.

bool SceneImpl::simulate(float dt)
{
    if (released || stepRunning || !std::isfinite(dt) || dt <= 0.0f)
        return false;
    resultsReady = false;
    stepDt = dt;
    const btCollisionObjectArray& objects = world->getCollisionObjectArray();
    stepItems.clear();
    for (int i = 0; i < objects.size(); ++i)
        stepItems.push_back({objects[i], btVector3(0, 0, 0), btVector3(0, 0, 0)});
    stepRunning = true;

    auto* cpu = static_cast<CpuDispatcherImpl*>(desc.dispatcher);
    const std::size_t workers = (cpu != nullptr) ? std::max(1u, cpu->getWorkerCount()) : 1u;
    // Refreshing one object's bounds takes tens of nanoseconds and waking a worker some
    // microseconds, so the work is shared out only where each worker gets enough of it: a
    // level of a few dozen shapes goes to one worker as one task.
    constexpr std::size_t minItemsPerTask = 256;
    stepChunk = std::max(minItemsPerTask, (stepItems.size() + workers - 1) / workers);
    const std::size_t tasks = std::max<std::size_t>(1, (stepItems.size() + stepChunk - 1) / stepChunk);
    stepLatch.reset(static_cast<unsigned>(tasks));
    for (std::size_t t = 0; t < tasks; ++t) {
        // Two words of capture: the task fits inside the std::function, which then allocates nothing.
        if (cpu != nullptr)
            cpu->submit([this, t] { runStepTask(t); });
        else
            runStepTask(t);
    }
    return true;
}

void SceneImpl::runStepTask(std::size_t task)
{
    const std::size_t begin = task * stepChunk;
    const std::size_t end = std::min(stepItems.size(), begin + stepChunk);
    // Reads shapes and transforms only; the main thread leaves them alone until fetchResults.
    for (std::size_t i = begin; i < end; ++i) {
        StepItem& item = stepItems[i];
        item.object->getCollisionShape()->getAabb(item.object->getWorldTransform(), item.aabbMin, item.aabbMax);
    }
    stepLatch.countDown();
}

void SceneImpl::applyStep()
{
    btBroadphaseInterface* bp = world->getBroadphase();
    for (const StepItem& item : stepItems) {
        btBroadphaseProxy* proxy = item.object->getBroadphaseHandle();
        if (proxy == nullptr)
            continue;
        if (!(proxy->m_aabbMin == item.aabbMin) || !(proxy->m_aabbMax == item.aabbMax))
            bp->setAabb(proxy, item.aabbMin, item.aabbMax, dispatcher.get());
    }
    bp->calculateOverlappingPairs(dispatcher.get());
    stepItems.clear();
    stepRunning = false;
    resultsReady = true;
    ++stepCount;
}

void SceneImpl::finishStep()
{
    if (!stepRunning)
        return;
    stepLatch.wait();
    applyStep();
}

bool SceneImpl::fetchResults(bool block)
{
    if (stepRunning) {
        if (!block && !stepLatch.isDone())
            return false;
        finishStep();
    }
    const bool ready = resultsReady;
    resultsReady = false;
    return ready;
}

// ---- Ray cast -------------------------------------------------------------

namespace {

constexpr int kQueryMask = kStaticGroup | kCharacterGroup;

bool containsPoint(const btCollisionObject& object, const btVector3& point)
{
    const auto* shape = static_cast<const ShapeImpl*>(static_cast<const Shape*>(object.getUserPointer()));
    const btVector3 local = object.getWorldTransform().invXform(point);
    if (shape->getGeometryType() == GeometryType::Sphere)
        return local.length2() <= shape->radius() * shape->radius();
    const glm::vec3& h = shape->halfExtents();
    return std::fabs(local.x()) <= h.x && std::fabs(local.y()) <= h.y && std::fabs(local.z()) <= h.z;
}

// The first scene-query object whose volume holds the point.
struct ContainingObject : btBroadphaseAabbCallback {
    btVector3 point;
    const btCollisionObject* found = nullptr;

    bool process(const btBroadphaseProxy* proxy) override
    {
        if ((proxy->m_collisionFilterGroup & kQueryMask) == 0)
            return true;
        const auto* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
        if (containsPoint(*object, point)) {
            found = object;
            return false;
        }
        return true;
    }
};

// Where a ray enters a shape, in double: t along the unit direction and the outward normal.
// Bullet's ray test finds the candidates; this gives the exact, sharp-cornered answer
// (a ray straight down onto a top at 0.5 hits at 0.5, not a float step away).
bool enterShape(const btCollisionObject& object, const glm::dvec3& origin, const glm::dvec3& dir, double& t,
                glm::dvec3& normal)
{
    const auto* shape = static_cast<const ShapeImpl*>(static_cast<const Shape*>(object.getUserPointer()));
    const btTransform& xf = object.getWorldTransform();
    const glm::dvec3 centre = toDvec(xf.getOrigin());
    if (shape->getGeometryType() == GeometryType::Sphere) {
        const double r = shape->radius();
        const glm::dvec3 oc = origin - centre;
        const double b = glm::dot(oc, dir);
        const double disc = b * b - (glm::dot(oc, oc) - r * r);
        if (disc < 0.0)
            return false;
        t = -b - std::sqrt(disc);
        if (t < 0.0)
            return false;
        normal = glm::normalize(origin + dir * t - centre);
        return true;
    }
    // Slabs in the box's own frame (basis columns are its axes).
    const btMatrix3x3& basis = xf.getBasis();
    const glm::vec3& h = shape->halfExtents();
    double enter = -1e300;
    double leave = 1e300;
    int enterAxis = -1;
    double enterSign = 0.0;
    for (int i = 0; i < 3; ++i) {
        const glm::dvec3 axis(basis[0][i], basis[1][i], basis[2][i]);
        const double o = glm::dot(origin - centre, axis);
        const double d = glm::dot(dir, axis);
        const double half = h[i];
        if (std::fabs(d) < 1e-12) {
            if (std::fabs(o) > half)
                return false;
            continue;
        }
        double t0 = (-half - o) / d;
        double t1 = (half - o) / d;
        double sign = -1.0;  // entering through the negative face
        if (t0 > t1) {
            std::swap(t0, t1);
            sign = 1.0;
        }
        if (t0 > enter) {
            enter = t0;
            enterAxis = i;
            enterSign = sign;
        }
        leave = std::min(leave, t1);
    }
    if (enterAxis < 0 || enter > leave || enter < 0.0)
        return false;
    t = enter;
    normal = enterSign * glm::dvec3(basis[0][enterAxis], basis[1][enterAxis], basis[2][enterAxis]);
    return true;
}

// Keeps the nearest exact entry among the objects Bullet's ray test reports.
struct ExactRayCallback : btCollisionWorld::RayResultCallback {
    ExactRayCallback(const glm::dvec3& origin, const glm::dvec3& dir, double maxDistance)
        : origin(origin), dir(dir), maxDistance(maxDistance)
    {
    }

    btScalar addSingleResult(btCollisionWorld::LocalRayResult& result, bool normalInWorldSpace) override
    {
        const btCollisionObject& object = *result.m_collisionObject;
        double t = 0.0;
        glm::dvec3 n;
        if (!enterShape(object, origin, dir, t, n)) {
            // Bullet's rounded margin saw a graze the sharp shape does not have; use its answer.
            t = static_cast<double>(result.m_hitFraction) * maxDistance;
            const btVector3 local = result.m_hitNormalLocal;
            n = glm::normalize(toDvec(normalInWorldSpace ? local : object.getWorldTransform().getBasis() * local));
        }
        if (t <= maxDistance && (best == nullptr || t < bestDistance)) {
            best = &object;
            bestDistance = t;
            bestNormal = n;
        }
        m_collisionObject = best;
        m_closestHitFraction = static_cast<btScalar>(std::min(1.0, bestDistance / maxDistance + 1e-6));
        return m_closestHitFraction;
    }

    glm::dvec3 origin;
    glm::dvec3 dir;
    double maxDistance;
    const btCollisionObject* best = nullptr;
    double bestDistance = 0.0;
    glm::dvec3 bestNormal{0.0};
};

}  // namespace

bool SceneImpl::raycast(const glm::vec3& origin, const glm::vec3& unitDir, float maxDistance, RaycastHit& hit)
{
    if (released)
        return false;
    finishStep();
    const float length = glm::length(unitDir);
    if (!std::isfinite(length) || length <= 0.0f || !std::isfinite(maxDistance) || maxDistance <= 0.0f ||
        !std::isfinite(origin.x) || !std::isfinite(origin.y) || !std::isfinite(origin.z))
        return false;
    const glm::vec3 dir = unitDir / length;

    const btVector3 from = toBt(origin);
    ContainingObject inside;
    inside.point = from;
    world->getBroadphase()->aabbTest(from, from, inside);
    if (inside.found != nullptr) {
        hit.shape = static_cast<Shape*>(inside.found->getUserPointer());
        hit.position = origin;
        hit.normal = -dir;
        hit.distance = 0.0f;
        return true;
    }

    const btVector3 to = toBt(origin + dir * maxDistance);
    ExactRayCallback closest(glm::dvec3(origin), glm::dvec3(dir), maxDistance);
    closest.m_collisionFilterGroup = btBroadphaseProxy::AllFilter;
    closest.m_collisionFilterMask = kQueryMask;
    world->rayTest(from, to, closest);
    if (closest.best == nullptr)
        return false;
    hit.shape = static_cast<Shape*>(closest.best->getUserPointer());
    hit.position = glm::vec3(glm::dvec3(origin) + glm::dvec3(dir) * closest.bestDistance);
    hit.normal = glm::vec3(closest.bestNormal);
    hit.distance = static_cast<float>(closest.bestDistance);
    return true;
}

}  // namespace phys::detail
