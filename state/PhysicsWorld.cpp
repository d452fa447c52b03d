#include "state/PhysicsWorld.h"

#include <iostream>

// The foundation exists before main runs, like the rest of the process-wide roots.
phys::Foundation* physxFoundation = phys::createFoundation();
phys::Pvd* physxPvd = nullptr;
phys::PvdTransport* physxTransport = nullptr;
const bool trackAllocations = true;
phys::Physics* physxPhysics = nullptr;
phys::CpuDispatcher* physxDispatcher = nullptr;
phys::Scene* physxScene = nullptr;
phys::ControllerManager* controllerManager = nullptr;
phys::Material* physxMaterials[3] = {nullptr, nullptr, nullptr};

namespace {

// The visual debugger listens on the local machine; 10 ms keeps a missing one from delaying
// start-up noticeably.
constexpr const char* pvdHost = "127.0.0.1";
constexpr int pvdPort = 5425;
constexpr unsigned pvdTimeoutMs = 10;
constexpr unsigned workerThreads = 2;
constexpr float fixedStep = 1.0f / 60.0f;

bool fail(const char* what) {
    std::cout << "ERROR: " << what << std::endl;
    return false;
}

template <typename T>
void releaseAndClear(T*& object) {
    if (object) {
        object->release();
        object = nullptr;
    }
}

}  // namespace

bool initPhysX() {
    if (!physxFoundation) {
        return fail("The physics foundation could not be created");
    }
    physxPvd = phys::createPvd(*physxFoundation);
    physxTransport = phys::createPvdSocketTransport(pvdHost, pvdPort, pvdTimeoutMs);
    // Without a listening debugger the game goes on unconnected.
    if (physxPvd && physxTransport) {
        physxPvd->connect(*physxTransport);
    }

    physxPhysics = phys::createPhysics(*physxFoundation, phys::TolerancesScale{1.0f, 10.0f}, trackAllocations,
                                       physxPvd);
    if (!physxPhysics) {
        return fail("The physics object could not be created");
    }

    physxDispatcher = phys::createCpuDispatcher(workerThreads);
    const phys::SceneDesc sceneDesc(physxPhysics->getTolerancesScale(), glm::vec3(0.0f, -9.81f, 0.0f),
                                    physxDispatcher);
    physxScene = physxPhysics->createScene(sceneDesc);
    if (!physxScene) {
        return fail("The physics scene could not be created");
    }
    if (phys::PvdSceneClient* client = physxScene->getScenePvdClient()) {
        client->setScenePvdFlag(phys::PvdSceneFlag::TransmitConstraints, true);
        client->setScenePvdFlag(phys::PvdSceneFlag::TransmitContacts, true);
        client->setScenePvdFlag(phys::PvdSceneFlag::TransmitSceneQueries, true);
    }

    controllerManager = phys::createControllerManager(*physxScene, false);
    if (!controllerManager) {
        return fail("The character-controller manager could not be created");
    }
    controllerManager->setOverlapRecoveryModule(true);

    physxMaterials[0] = physxPhysics->createMaterial(0.5f, 0.5f, 0.6f);
    physxMaterials[1] = physxPhysics->createMaterial(10.0f, 10.0f, 0.1f);
    physxMaterials[2] = physxPhysics->createMaterial(0.5f, 0.5f, 0.6f);
    return true;
}

void stepPhysics() {
    if (!physxScene) {
        return;
    }
    physxScene->simulate(fixedStep);
    physxScene->fetchResults(true);
}

void shutdownPhysX() {
    releaseAndClear(controllerManager);
    releaseAndClear(physxScene);
    releaseAndClear(physxMaterials[0]);
    releaseAndClear(physxMaterials[1]);
    releaseAndClear(physxMaterials[2]);
    releaseAndClear(physxPhysics);
    releaseAndClear(physxDispatcher);
    // The transport goes only with a visual-debugger object, which holds it while connected.
    if (physxPvd) {
        releaseAndClear(physxPvd);
        releaseAndClear(physxTransport);
    }
    releaseAndClear(physxFoundation);
}
