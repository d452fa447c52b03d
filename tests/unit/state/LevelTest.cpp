// The level's layout and the static actors it becomes.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "support/WorldStubs.h"
#include "state/Level.h"
#include "state/PhysicsWorld.h"

namespace {

Level builtLevel(float walkway = 3.0f) {
    Level level(20.0f, walkway, 0.5f);
    level.buildLayout();
    return level;
}

TEST(LevelTest, TwentyThreeGreyPlatformsAndTheCubeBox) {
    const Level level = builtLevel();
    ASSERT_EQ(level.objects.size(), 23u);
    for (const LevelObjectDesc& object : level.objects) {
        EXPECT_EQ(object.name, "platform");
        EXPECT_EQ(object.materialName, "grey");
        EXPECT_EQ(object.physicsMaterial, glm::vec3(10.0f, 10.0f, 0.1f));
        EXPECT_TRUE(object.hasHitbox && object.isRendered);
        EXPECT_EQ(object.position.y, -2.5f);
        EXPECT_EQ(object.size.y, 0.5f);
        ASSERT_EQ(object.texCoords.size(), 24u);
        EXPECT_EQ(object.texCoords[2], glm::vec2(10.0f, 10.0f));
    }
    ASSERT_EQ(level.hitboxes.size(), 1u);
    EXPECT_EQ(level.hitboxes[0].name, "cubemapCubeHitbox");
    EXPECT_EQ(level.hitboxes[0].position, glm::vec3(0.0f));
    EXPECT_EQ(level.hitboxes[0].size, glm::vec3(1.0f));
}

TEST(LevelTest, SpansOfTheStartAndGoalPlatforms) {
    const Level level = builtLevel();
    const auto span = [](const LevelObjectDesc& o, int axis) {
        return std::make_pair(o.position[axis] - o.size[axis] * 0.5f, o.position[axis] + o.size[axis] * 0.5f);
    };
    EXPECT_EQ(span(level.objects[0], 0), std::make_pair(-5.0f, 5.0f));
    EXPECT_EQ(span(level.objects[0], 2), std::make_pair(-19.5f, 10.5f));
    EXPECT_EQ(span(level.objects[22], 0), std::make_pair(-10.0f, 10.0f));
    EXPECT_EQ(span(level.objects[22], 2), std::make_pair(90.0f, 110.0f));
}

TEST(LevelTest, WalkwayWidthChangesOnlyTheWalkways) {
    const Level narrow = builtLevel(3.0f);
    const Level wide = builtLevel(4.0f);
    EXPECT_EQ(wide.objects[0].size, narrow.objects[0].size);
    EXPECT_EQ(wide.objects[22].size, narrow.objects[22].size);
    EXPECT_EQ(wide.objects[1].size.x, 4.0f);   // platform 2: W x T x 2
    EXPECT_EQ(wide.objects[1].size.z, 2.0f);
    EXPECT_EQ(wide.objects[2].size.z, 4.0f);   // platform 3: 15 x T x W
}

TEST(LevelTest, ArtifactsAndStartStandAbovePlatforms) {
    const Level level = builtLevel();
    const auto above = [&](float x, float z) {
        for (const LevelObjectDesc& o : level.objects) {
            if (std::abs(x - o.position.x) <= o.size.x * 0.5f && std::abs(z - o.position.z) <= o.size.z * 0.5f) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(above(0.0f, -16.5f));  // the player's start, level z
    EXPECT_TRUE(above(-18.0f, 54.0f));
    EXPECT_TRUE(above(0.0f, 69.5f));
    EXPECT_TRUE(above(22.0f, 52.0f));
    EXPECT_TRUE(above(0.0f, 95.0f));   // past the escape line
}

TEST(LevelTest, HitboxesFollowTheCubeAndSkipObjectsWithout) {
    resetWorld();  // a physics world exists from here on
    Level level = builtLevel();
    level.objects[5].hasHitbox = false;
    const unsigned actorsBefore = physxScene->getNbActors();
    level.createHitboxes();
    ASSERT_EQ(level.hitboxes.size(), 23u);
    EXPECT_EQ(level.hitboxes[0].name, "cubemapCubeHitbox");
    EXPECT_EQ(level.hitboxes[22].position, glm::vec3(0.0f, -2.5f, 100.0f));
    // 22 platforms, the cube and the sun.
    EXPECT_EQ(physxScene->getNbActors(), actorsBefore + 24u);
}

TEST(LevelTest, SceneHoldsTwentyFiveActorsWhereTheLevelPutsThem) {
    resetWorld();
    EXPECT_EQ(levelActorCount, 25u);
    phys::RaycastHit hit;
    // The goal platform at physics (0, -2.5, -100), half extents (10, 0.25, 10).
    ASSERT_TRUE(physxScene->raycast(glm::vec3(9.9f, 5.0f, -109.9f), glm::vec3(0, -1, 0), 20.0f, hit));
    EXPECT_FLOAT_EQ(hit.position.y, -2.25f);
    phys::BoxGeometry box;
    ASSERT_TRUE(hit.shape->getBoxGeometry(box));
    EXPECT_EQ(box.halfExtents, glm::vec3(10.0f, 0.25f, 10.0f));
    EXPECT_EQ(hit.shape->getFlags().bits, 11u);
    EXPECT_FALSE(physxScene->raycast(glm::vec3(10.2f, 5.0f, -100.0f), glm::vec3(0, -1, 0), 20.0f, hit));
    // The cube's box at the origin, the sun's sphere at (0, 10, -200).
    ASSERT_TRUE(physxScene->raycast(glm::vec3(0.0f, 5.0f, 0.0f), glm::vec3(0, -1, 0), 20.0f, hit));
    EXPECT_NEAR(hit.position.y, 0.5f, 1e-5f);
    ASSERT_TRUE(physxScene->raycast(glm::vec3(0.0f, 10.0f, 0.0f), glm::vec3(0, 0, -1), 300.0f, hit));
    EXPECT_NEAR(hit.position.z, -193.0f, 1e-3f);
    phys::SphereGeometry sphere;
    ASSERT_TRUE(hit.shape->getSphereGeometry(sphere));
    EXPECT_EQ(sphere.radius, 7.0f);
}

}  // namespace
