#pragma once
// The physics world: foundation (made before main), visual-debugger connection, physics object,
// CPU dispatcher, the one scene, the character-controller manager and three materials.
// Every pointer is null until created and null again after its release.
// The world's pointers (physxFoundation, physxScene, controllerManager, ...) are declared in the
// state layer's table, state/GlobalState.h.
#include "state/GlobalState.h"

// Builds the world during start-up. Prints an "ERROR: " line and returns false when the
// foundation, the physics object, the scene or the controller manager cannot be made; the
// world must not be used then (start-up stops).
bool initPhysX();

// One blocking simulation step of 1/60 s.
void stepPhysics();

// Releases every object that exists, in reverse order of creation; a second call releases
// nothing. The foundation goes last, so initPhysX cannot run again afterwards.
void shutdownPhysX();
