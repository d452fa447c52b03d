#pragma once

// The collision scene: static actors, character controllers, ray casts and fixed steps.
// Everything but the step runs on the caller's thread; the step's work runs on the
// dispatcher's workers between simulate and fetchResults, and no other call may touch the
// scene in that window (a call that does waits for the step first).

#include <glm/glm.hpp>

#include "platform/physics/Foundation.h"
#include "platform/physics/Geometry.h"

namespace phys {

class CpuDispatcher;
class PvdSceneClient;
class RigidStatic;
class Shape;

struct SceneDesc {
    TolerancesScale scale;
    glm::vec3 gravity{0.0f};
    CpuDispatcher* dispatcher = nullptr;  // not owned; must outlive the scene

    SceneDesc() = default;
    explicit SceneDesc(const TolerancesScale& tolerances) : scale(tolerances) {}
    SceneDesc(const TolerancesScale& tolerances, const glm::vec3& g, CpuDispatcher* cpu = nullptr)
        : scale(tolerances), gravity(g), dispatcher(cpu)
    {
    }
};

struct RaycastHit {
    Shape* shape = nullptr;       // a static actor's shape or a character controller's box
    glm::vec3 position{0.0f};     // physics space
    glm::vec3 normal{0.0f};       // unit surface normal at the hit, facing the ray's origin
    float distance = 0.0f;        // along the ray from its origin; 0 when the origin is inside
};

class Scene : public Object {
public:
    // Actors are added once; false when the actor already belongs to a scene.
    virtual bool addActor(RigidStatic& actor) = 0;

    // Starts one step of dt seconds on the dispatcher's workers; false (nothing started) when a
    // step is already running or dt is not positive and finite.
    virtual bool simulate(float dt) = 0;
    // True when a started step has finished and its results are in; with block, waits for it.
    // False when no step was started.
    virtual bool fetchResults(bool block) = 0;

    // Closest blocking hit along origin + t * unitDir, 0 <= t <= maxDistance, among every
    // scene-query shape of the static actors and the boxes of the character controllers.
    // A ray starting inside a shape hits it at distance 0. False for no hit, a zero or
    // non-finite direction, or a maxDistance that is not positive.
    virtual bool raycast(const glm::vec3& origin, const glm::vec3& unitDir, float maxDistance,
                         RaycastHit& hit) = 0;

    // Null when the Physics was created without a visual-debugger object.
    virtual PvdSceneClient* getScenePvdClient() = 0;
    virtual glm::vec3 getGravity() const = 0;
    virtual unsigned getNbActors() const = 0;
    // Completed steps since creation.
    virtual unsigned getStepCount() const = 0;
};

}  // namespace phys
