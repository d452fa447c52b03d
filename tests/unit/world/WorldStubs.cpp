#include "WorldStubs.h"

#include <gtest/gtest.h>

#include "game/Camera.h"
#include "game/GameState.h"
#include "game/GlobalState.h"
#include "game/Level.h"
#include "game/PhysicsWorld.h"
#include "game/Player.h"
#include "game/Rules.h"
#include "game/Settings.h"
#include "platform/system/Clock.h"
#include "renderer/LevelMeshes.h"

int restartEffectsCalls = 0;
unsigned levelActorCount = 0;

void restoreLoopsAndIdleOnRestart() { ++restartEffectsCalls; }

// The world tests have no OpenGL context: the level has no sun mesh here.
StaticMesh* createSunMesh() { return nullptr; }

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
    resetGlobalState();
    resetSettingsToDefaults();
    *GameState::getInstance() = GameState();
    introActive = false;
    introDone = true;
    restartEffectsCalls = 0;
    Player::resetForTests();
    Camera::resetForTests();
}
