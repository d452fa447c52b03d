#pragma once

// Implementation classes of the physics layer, shared by its .cpp files only; the game uses
// the public headers. All geometry lives in one Bullet collision world per scene (single
// precision); the controller keeps its own position in double.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <btBulletCollisionCommon.h>

#include "platform/physics/Physics.h"

namespace phys::detail {

inline btVector3 toBt(const glm::vec3& v) { return btVector3(v.x, v.y, v.z); }
inline glm::vec3 toGlm(const btVector3& v) { return glm::vec3(v.x(), v.y(), v.z()); }
inline glm::dvec3 toDvec(const btVector3& v) { return glm::dvec3(v.x(), v.y(), v.z()); }

// Broadphase groups: static scene-query shapes, controllers, and shapes no query sees.
constexpr int kStaticGroup = btBroadphaseProxy::StaticFilter;
constexpr int kCharacterGroup = btBroadphaseProxy::CharacterFilter;
constexpr int kHiddenGroup = btBroadphaseProxy::DefaultFilter;

// Bullet rounds convex shapes by their margin inside the given extents; a thin margin keeps
// box corners sharp enough that edges support the controller where they should.
constexpr float kBoxMargin = 0.002f;

class PhysicsImpl;
class SceneImpl;
class ControllerManagerImpl;
class BoxControllerImpl;

class CpuDispatcherImpl final : public CpuDispatcher {
public:
    explicit CpuDispatcherImpl(unsigned numThreads);
    ~CpuDispatcherImpl() override;

    void release() override;
    unsigned getWorkerCount() const override { return static_cast<unsigned>(workers.size()); }
    std::uint64_t getCompletedTaskCount() const override { return completed.load(); }

    // Runs the task on a worker, or at once on the caller when there are no workers.
    void submit(std::function<void()> task);

private:
    void workerLoop();
    void stopAndJoin();

    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable wake;
    // Tasks from queueHead on are waiting. Emptied in place once all are taken, so a queue
    // that has held as many tasks as a step hands out allocates nothing afterwards.
    std::vector<std::function<void()>> queue;
    std::size_t queueHead = 0;
    bool stopping = false;
    std::atomic<std::uint64_t> completed{0};
};

// Counts outstanding tasks of one step.
class TaskLatch {
public:
    void reset(unsigned count);
    void countDown();
    bool isDone() const;
    void wait() const;

private:
    mutable std::mutex mutex;
    mutable std::condition_variable done;
    unsigned pending = 0;
};

class MaterialImpl final : public Material {
public:
    MaterialImpl(float staticFriction, float dynamicFriction, float restitution)
        : staticFriction(staticFriction), dynamicFriction(dynamicFriction), restitution(restitution)
    {
    }

    void release() override { released = true; }
    float getStaticFriction() const override { return staticFriction; }
    float getDynamicFriction() const override { return dynamicFriction; }
    float getRestitution() const override { return restitution; }

private:
    float staticFriction;
    float dynamicFriction;
    float restitution;
    bool released = false;
};

class ShapeImpl final : public Shape {
public:
    // The geometry must satisfy isValidGeometry.
    ShapeImpl(const Geometry& geometry, Material* material, bool exclusive, ShapeFlags flags);

    static bool isValidGeometry(const Geometry& geometry);

    void release() override { released = true; }
    GeometryType getGeometryType() const override { return type; }
    bool getBoxGeometry(BoxGeometry& out) const override;
    bool getSphereGeometry(SphereGeometry& out) const override;
    ShapeFlags getFlags() const override { return flags; }
    bool isExclusive() const override { return exclusive; }
    Material* getMaterial() const override { return material; }

    btConvexInternalShape& collisionShape() const { return *bulletShape; }
    const glm::vec3& halfExtents() const { return boxHalfExtents; }
    float radius() const { return sphereRadius; }
    bool isQueryShape() const { return flags.isSet(ShapeFlags::SceneQueryShape); }

    unsigned attachmentCount = 0;

private:
    GeometryType type;
    glm::vec3 boxHalfExtents{0.0f};
    float sphereRadius = 0.0f;
    Material* material;
    bool exclusive;
    ShapeFlags flags;
    std::unique_ptr<btConvexInternalShape> bulletShape;
    bool released = false;
};

class RigidStaticImpl final : public RigidStatic {
public:
    explicit RigidStaticImpl(const Transform& pose) : pose(pose) {}

    void release() override;
    bool attachShape(Shape& shape) override;
    Transform getGlobalPose() const override { return pose; }
    unsigned getNbShapes() const override { return static_cast<unsigned>(attached.size()); }

    bool isReleased() const { return released; }
    SceneImpl* scene = nullptr;
    void addTo(btCollisionWorld& world);
    void removeFrom(btCollisionWorld& world);

private:
    struct Attachment {
        ShapeImpl* shape;
        std::unique_ptr<btCollisionObject> object;
    };

    Transform pose;
    std::vector<Attachment> attached;
    bool released = false;

    static void insert(btCollisionWorld& world, Attachment& attachment);
};

struct StepItem {
    btCollisionObject* object;
    btVector3 aabbMin;
    btVector3 aabbMax;
};

class SceneImpl final : public Scene {
public:
    SceneImpl(PhysicsImpl& physics, const SceneDesc& desc, bool withPvdClient);
    ~SceneImpl() override;

    void release() override;
    bool addActor(RigidStatic& actor) override;
    bool simulate(float dt) override;
    bool fetchResults(bool block) override;
    bool raycast(const glm::vec3& origin, const glm::vec3& unitDir, float maxDistance,
                 RaycastHit& hit) override;
    PvdSceneClient* getScenePvdClient() override { return pvdClient.get(); }
    glm::vec3 getGravity() const override { return desc.gravity; }
    unsigned getNbActors() const override { return static_cast<unsigned>(actors.size()); }
    unsigned getStepCount() const override { return stepCount; }

    PhysicsImpl& getPhysics() const { return physics; }
    // Null once the scene is released.
    btCollisionWorld* getWorld() const { return world.get(); }
    // Waits for a running step and applies it; every call that changes the world goes first here.
    void finishStep();
    void removeActor(RigidStaticImpl& actor);
    void addManager(ControllerManagerImpl& manager) { managers.push_back(&manager); }
    void removeManager(ControllerManagerImpl& manager);

private:
    // Task t of a step refreshes the bounds of items t * stepChunk up to the next task's first.
    void runStepTask(std::size_t task);
    void applyStep();

    PhysicsImpl& physics;
    SceneDesc desc;
    std::unique_ptr<btDefaultCollisionConfiguration> configuration;
    std::unique_ptr<btCollisionDispatcher> dispatcher;
    std::unique_ptr<btDbvtBroadphase> broadphase;
    std::unique_ptr<btCollisionWorld> world;
    std::vector<RigidStaticImpl*> actors;
    std::vector<ControllerManagerImpl*> managers;
    std::unique_ptr<PvdSceneClient> pvdClient;

    bool stepRunning = false;
    bool resultsReady = false;
    float stepDt = 0.0f;
    unsigned stepCount = 0;
    std::vector<StepItem> stepItems;
    std::size_t stepChunk = 1;
    TaskLatch stepLatch;
    bool released = false;
};

class ControllerManagerImpl final : public ControllerManager {
public:
    ControllerManagerImpl(PhysicsImpl& physics, SceneImpl& scene, bool lockingEnabled)
        : physics(physics), scene(&scene), lockingEnabled(lockingEnabled)
    {
    }

    void release() override;
    Controller* createController(const BoxControllerDesc& desc) override;
    void setOverlapRecoveryModule(bool enabled) override { overlapRecovery = enabled; }
    unsigned getNbControllers() const override { return static_cast<unsigned>(controllers.size()); }

    SceneImpl* getScene() const { return scene; }
    bool isLockingEnabled() const { return lockingEnabled; }
    bool recoversOverlaps() const { return overlapRecovery; }
    // The scene is going away: its controllers go with it.
    void detachFromScene();
    void removeController(BoxControllerImpl& controller);

private:
    PhysicsImpl& physics;
    SceneImpl* scene;
    bool lockingEnabled;  // stored only: the game moves controllers from one thread
    bool overlapRecovery = true;
    std::vector<BoxControllerImpl*> controllers;
    bool released = false;
};

class BoxControllerImpl final : public Controller {
public:
    BoxControllerImpl(ControllerManagerImpl& manager, const BoxControllerDesc& desc);
    ~BoxControllerImpl() override;

    void release() override;
    CollisionFlags move(const glm::vec3& disp, float minDist, float elapsedTime,
                        const ControllerFilters& filters, const void* obstacles) override;
    glm::dvec3 getPosition() const override { return position; }
    bool setPosition(const glm::dvec3& position) override;
    void setUpDirection(const glm::vec3& up) override;
    glm::vec3 getUpDirection() const override { return upDirection; }
    float getContactOffset() const override { return contactOffset; }
    Shape* getShape() const override { return shape.get(); }

    // Puts the box into its scene's world (creation) or takes it out (release).
    void addToWorld();
    void removeFromWorld();

private:
    struct SweepHit {
        double touch;       // travel until the surfaces touch
        double stop;        // travel until they are contactOffset apart (0 when already closer)
        glm::dvec3 normal;  // on the obstacle, facing the controller, at the touch
        const btCollisionObject* object;
    };

    btCollisionWorld* world() const;
    // How far past a move's end the sweeps look, so that an obstacle met at a slant is kept
    // contactOffset away along its normal, not only along the move.
    double lookAhead() const { return 10.0 * static_cast<double>(contactOffset); }
    void updateFrame();
    void syncCollisionObject();
    bool sweep(const glm::dvec3& dir, double length, SweepHit& hit) const;
    bool advanceToDistance(const glm::dvec3& dir, const btCollisionObject& other, double target, double& travel,
                           glm::dvec3& normal) const;
    bool closestDistance(const glm::dvec3& at, const btCollisionObject& other, double& distance,
                         glm::dvec3& normal) const;
    bool flatTopRestHeight(const SweepHit& hit, double& restY) const;
    std::uint32_t moveVertical(double dy);
    std::uint32_t moveHorizontal(const glm::dvec3& disp, double minDist);
    void recoverFromOverlap();

    ControllerManagerImpl* manager;
    glm::dvec3 position;
    glm::vec3 upDirection;
    float contactOffset;
    glm::vec3 halfExtents;       // height, side, forward: local x, y, z of the box
    btMatrix3x3 basis;           // columns: up, side, forward
    double verticalHalfSize = 0.0;  // half size of the box along world Y
    bool flatBottom = false;        // one box axis is vertical
    std::unique_ptr<ShapeImpl> shape;
    std::unique_ptr<btCollisionObject> object;
    bool inWorld = false;
    bool released = false;
};

class PhysicsImpl final : public Physics {
public:
    PhysicsImpl(const TolerancesScale& scale, bool trackAllocations, Pvd* pvd)
        : scale(scale), trackAllocations(trackAllocations), pvd(pvd)
    {
    }

    void release() override;
    Material* createMaterial(float staticFriction, float dynamicFriction, float restitution) override;
    Shape* createShape(const Geometry& geometry, Material& material, bool isExclusive,
                       ShapeFlags flags) override;
    RigidStatic* createRigidStatic(const Transform& pose) override;
    Scene* createScene(const SceneDesc& desc) override;
    const TolerancesScale& getTolerancesScale() const override { return scale; }

    bool tracksAllocations() const { return trackAllocations; }
    Pvd* getPvd() const { return pvd; }
    ControllerManagerImpl* createControllerManager(SceneImpl& scene, bool lockingEnabled);
    BoxControllerImpl* adopt(std::unique_ptr<BoxControllerImpl> controller);

private:
    TolerancesScale scale;
    bool trackAllocations;  // every object is tracked anyway: this Physics owns them all
    Pvd* pvd;
    // Destroyed bottom-up: controllers before their managers, actors before scenes and shapes.
    std::vector<std::unique_ptr<MaterialImpl>> materials;
    std::vector<std::unique_ptr<ShapeImpl>> shapes;
    std::vector<std::unique_ptr<SceneImpl>> scenes;
    std::vector<std::unique_ptr<RigidStaticImpl>> actors;
    std::vector<std::unique_ptr<ControllerManagerImpl>> managers;
    std::vector<std::unique_ptr<BoxControllerImpl>> controllers;
};

}  // namespace phys::detail
