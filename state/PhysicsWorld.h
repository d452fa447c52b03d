#pragma once
// The physics world: foundation (made before main), visual-debugger connection, physics object,
// CPU dispatcher, the one scene, the character-controller manager and three materials.
// Every pointer is null until created and null again after its release.
#include "platform/physics/Physics.h"

extern phys::Foundation* physxFoundation;
extern phys::Pvd* physxPvd;
extern phys::PvdTransport* physxTransport;
extern const bool trackAllocations;
extern phys::Physics* physxPhysics;
extern phys::CpuDispatcher* physxDispatcher;
extern phys::Scene* physxScene;
extern phys::ControllerManager* controllerManager;
// (0.5, 0.5, 0.6), (10, 10, 0.1), (0.5, 0.5, 0.6); the static-actor builder reuses slot 0.
extern phys::Material* physxMaterials[3];

// Builds the world during start-up. Prints an "ERROR: " line and returns false when the
// foundation, the physics object, the scene or the controller manager cannot be made; the
// world must not be used then (start-up stops).
bool initPhysX();

// One blocking simulation step of 1/60 s.
void stepPhysics();

// Releases every object that exists, in reverse order of creation; a second call releases
// nothing. The foundation goes last, so initPhysX cannot run again afterwards.
void shutdownPhysX();
