#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "TestWorld.h"

namespace {

using test::TestWorld;

TEST(SceneRaycast, HitsTheNearestShape)
{
    TestWorld world;
    phys::RaycastHit hit;

    // Straight down onto the platform.
    ASSERT_TRUE(world.scene->raycast({-2, 5, 10}, {0, -1, 0}, 500.0f, hit));
    EXPECT_EQ(hit.shape, world.platform);
    EXPECT_EQ(hit.shape->getGeometryType(), phys::GeometryType::Box);
    EXPECT_NEAR(hit.distance, 7.25f, 1e-4f);
    EXPECT_NEAR(hit.position.y, test::kPlatformTop, 1e-4f);
    EXPECT_NEAR(hit.normal.y, 1.0f, 1e-5f);

    // Down through the cube first: the cube is nearer than the platform below it.
    ASSERT_TRUE(world.scene->raycast({0, 5, 0}, {0, -1, 0}, 500.0f, hit));
    EXPECT_EQ(hit.shape, world.cube);
    EXPECT_EQ(hit.distance, 4.5f);  // exact on a face, not a float step off
    EXPECT_EQ(hit.position, glm::vec3(0.0f, 0.5f, 0.0f));
    EXPECT_EQ(hit.normal, glm::vec3(0.0f, 1.0f, 0.0f));

    // Sideways into the wall and into the cube's side.
    ASSERT_TRUE(world.scene->raycast({0, -1, -8}, {1, 0, 0}, 500.0f, hit));
    EXPECT_EQ(hit.shape, world.wall);
    EXPECT_EQ(hit.position.x, test::kWallX);
    EXPECT_EQ(hit.normal, glm::vec3(-1.0f, 0.0f, 0.0f));
    ASSERT_TRUE(world.scene->raycast({0.2f, 0.3f, 7}, {0, 0, -1}, 500.0f, hit));
    EXPECT_EQ(hit.shape, world.cube);
    EXPECT_EQ(hit.position.z, 0.5f);

    // Along -z to the sun's sphere.
    ASSERT_TRUE(world.scene->raycast({0, 10, -100}, {0, 0, -1}, 500.0f, hit));
    EXPECT_EQ(hit.shape, world.sun);
    EXPECT_EQ(hit.shape->getGeometryType(), phys::GeometryType::Sphere);
    EXPECT_NEAR(hit.position.z, -193.0f, 1e-3f);
    EXPECT_NEAR(hit.normal.z, 1.0f, 1e-4f);

    // From the start towards the sun, past the cube's top: the sphere, as in the lens flare.
    const glm::vec3 origin(0, 2, 16.5f);
    ASSERT_TRUE(world.scene->raycast(origin, glm::normalize(glm::vec3(0, 10, -200) - origin), 500.0f, hit));
    EXPECT_EQ(hit.shape->getGeometryType(), phys::GeometryType::Sphere);
}

TEST(SceneRaycast, MissesAndRejectsBadRays)
{
    TestWorld world;
    phys::RaycastHit hit;
    EXPECT_FALSE(world.scene->raycast({0, 5, 0}, {0, 1, 0}, 500.0f, hit));      // up into nothing
    EXPECT_FALSE(world.scene->raycast({0, 10, 0}, {0, 0, -1}, 150.0f, hit));    // sun out of range
    EXPECT_FALSE(world.scene->raycast({0, 5, 0}, {0, 0, 0}, 500.0f, hit));      // zero direction
    EXPECT_FALSE(world.scene->raycast({0, 5, 0}, {0, -1, 0}, 0.0f, hit));
    EXPECT_FALSE(world.scene->raycast({0, 5, 0}, {NAN, -1, 0}, 500.0f, hit));
    EXPECT_FALSE(world.scene->raycast({INFINITY, 5, 0}, {0, -1, 0}, 500.0f, hit));
    // A direction that is not unit length still measures distance in metres.
    ASSERT_TRUE(world.scene->raycast({-2, 5, 10}, {0, -2, 0}, 500.0f, hit));
    EXPECT_NEAR(hit.distance, 7.25f, 1e-4f);
}

TEST(SceneRaycast, StartingInsideAShapeHitsItAtOnce)
{
    TestWorld world;
    phys::RaycastHit hit;
    ASSERT_TRUE(world.scene->raycast({0.2f, 0.1f, 0}, {0, 1, 0}, 500.0f, hit));
    EXPECT_EQ(hit.shape, world.cube);
    EXPECT_EQ(hit.distance, 0.0f);
    EXPECT_EQ(hit.normal, glm::vec3(0, -1, 0));
}

TEST(SceneRaycast, ControllerBoxBlocksTheRay)
{
    TestWorld world;
    phys::Controller* player = world.addPlayer({0.0, 10.0, -50.0});
    phys::RaycastHit hit;
    ASSERT_TRUE(world.scene->raycast({0, 10, -10}, {0, 0, -1}, 500.0f, hit));
    EXPECT_EQ(hit.shape, player->getShape());
    EXPECT_EQ(hit.shape->getGeometryType(), phys::GeometryType::Box);
    EXPECT_NEAR(hit.distance, 40.0f - test::kHalfAlong, 1e-3f);

    // Moved out of the way, the sun shows again.
    player->setPosition({20.0, 10.0, -50.0});
    ASSERT_TRUE(world.scene->raycast({0, 10, -10}, {0, 0, -1}, 500.0f, hit));
    EXPECT_EQ(hit.shape, world.sun);
}

TEST(SceneRaycast, ShapesOutsideSceneQueriesAreNotHit)
{
    TestWorld world(2, false);
    world.addBox({0, 0, 0}, {1, 1, 1}, phys::ShapeFlags(phys::ShapeFlags::SimulationShape));
    phys::RaycastHit hit;
    EXPECT_FALSE(world.scene->raycast({0, 5, 0}, {0, -1, 0}, 500.0f, hit));
    EXPECT_FALSE(world.scene->raycast({0, 0, 0}, {0, -1, 0}, 500.0f, hit));

    // Nor do controllers collide with them.
    phys::Controller* player = world.addPlayer({0.0, 3.0, 0.0});
    player->move({0, -2.5f, 0}, 0.001f, test::kStep);
    EXPECT_EQ(player->getPosition().y, 0.5);
}

TEST(SceneStep, RunsOnTheDispatcherWorkers)
{
    TestWorld world(2);
    world.addPlayer({-2.0, -1.34, 10.0});
    ASSERT_EQ(world.dispatcher->getWorkerCount(), 2u);
    const auto before = world.dispatcher->getCompletedTaskCount();
    EXPECT_FALSE(world.scene->fetchResults(true));  // nothing started
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(world.scene->simulate(test::kStep));
        EXPECT_FALSE(world.scene->simulate(test::kStep));  // one step at a time
        EXPECT_TRUE(world.scene->fetchResults(true));
    }
    EXPECT_EQ(world.scene->getStepCount(), 10u);
    // A worker counts its task after the task has released the step, so the last count may
    // still be on its way when fetchResults returns.
    for (int wait = 0; wait < 1000 && world.dispatcher->getCompletedTaskCount() < before + 10; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(world.dispatcher->getCompletedTaskCount(), before + 10);

    // Polling without blocking gets there too.
    ASSERT_TRUE(world.scene->simulate(test::kStep));
    while (!world.scene->fetchResults(false))
        std::this_thread::yield();
    EXPECT_EQ(world.scene->getStepCount(), 11u);
    EXPECT_FALSE(world.scene->simulate(0.0f));
    EXPECT_FALSE(world.scene->simulate(NAN));
}

TEST(SceneStep, CallsDuringAStepWaitForIt)
{
    TestWorld world(2);
    phys::Controller* player = world.addPlayer({-2.0, 3.0, 10.0});
    ASSERT_TRUE(world.scene->simulate(test::kStep));
    player->move({0, -1, 0}, 0.001f, test::kStep);  // finishes the step first
    phys::RaycastHit hit;
    EXPECT_TRUE(world.scene->raycast({-2, 5, 10}, {0, -1, 0}, 500.0f, hit));
    EXPECT_TRUE(world.scene->fetchResults(true));
    EXPECT_EQ(world.scene->getStepCount(), 1u);
    EXPECT_EQ(player->getPosition().y, 2.0);
}

TEST(SceneStep, WorksWithoutWorkerThreads)
{
    TestWorld world(0);
    EXPECT_EQ(world.dispatcher->getWorkerCount(), 0u);
    ASSERT_TRUE(world.scene->simulate(test::kStep));
    EXPECT_TRUE(world.scene->fetchResults(true));
    EXPECT_EQ(world.dispatcher->getCompletedTaskCount(), 0u);
    EXPECT_EQ(world.scene->getStepCount(), 1u);
}

}  // namespace
