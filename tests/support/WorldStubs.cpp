#include "WorldStubs.h"

#include <gtest/gtest.h>

#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"
#include "state/Player.h"
#include "game/Rules.h"
#include "state/Settings.h"
#include "platform/system/Clock.h"

int restartEffectsCalls = 0;
unsigned levelActorCount = 0;

void restoreLoopsAndIdleOnRestart() { ++restartEffectsCalls; }

void resetWorld() {
    static bool worldBuilt = false;
    if (!worldBuilt) {
        ASSERT_TRUE(initPhysX());
        Level level(20.0f, 3.0f, 0.5f);
        level.buildLayout();
        level.createHitboxes();
        levelActorCount = physxScene->getNbActors();
        worldBuilt = true;
    }
    resetClockSources();
    resetStateForTests();
    introActive = false;
    introDone = true;
    restartEffectsCalls = 0;
}
