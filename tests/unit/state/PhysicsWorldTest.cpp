// The physics world's life cycle: made, stepped, released once.
#include <gtest/gtest.h>

#include "state/PhysicsWorld.h"

namespace {

TEST(PhysicsWorldTest, InitStepAndReleaseOnce) {
    ASSERT_NE(physxFoundation, nullptr);  // made before main
    ASSERT_TRUE(initPhysX());             // nothing listens on the debugger's port
    ASSERT_NE(physxPhysics, nullptr);
    ASSERT_NE(physxScene, nullptr);
    ASSERT_NE(controllerManager, nullptr);
    ASSERT_NE(physxDispatcher, nullptr);
    EXPECT_EQ(physxDispatcher->getWorkerCount(), 2u);
    EXPECT_EQ(physxScene->getGravity(), glm::vec3(0.0f, -9.81f, 0.0f));
    ASSERT_NE(physxScene->getScenePvdClient(), nullptr);
    EXPECT_TRUE(physxScene->getScenePvdClient()->getScenePvdFlag(phys::PvdSceneFlag::TransmitContacts));
    EXPECT_TRUE(physxScene->getScenePvdClient()->getScenePvdFlag(phys::PvdSceneFlag::TransmitSceneQueries));
    EXPECT_TRUE(physxScene->getScenePvdClient()->getScenePvdFlag(phys::PvdSceneFlag::TransmitConstraints));
    ASSERT_NE(physxTransport, nullptr);
    EXPECT_EQ(physxTransport->getPort(), 5425);
    EXPECT_EQ(physxTransport->getTimeoutMs(), 10u);
    EXPECT_EQ(physxMaterials[1]->getStaticFriction(), 10.0f);
    EXPECT_EQ(physxMaterials[2]->getRestitution(), 0.6f);

    stepPhysics();
    stepPhysics();
    EXPECT_EQ(physxScene->getStepCount(), 2u);

    shutdownPhysX();
    EXPECT_EQ(physxScene, nullptr);
    EXPECT_EQ(physxPhysics, nullptr);
    EXPECT_EQ(controllerManager, nullptr);
    EXPECT_EQ(physxMaterials[0], nullptr);
    EXPECT_EQ(physxPvd, nullptr);
    EXPECT_EQ(physxTransport, nullptr);
    EXPECT_EQ(physxFoundation, nullptr);
    // A second shutdown finds nothing to release; a step without a world does nothing.
    shutdownPhysX();
    stepPhysics();
    // Without a foundation the world cannot be made again.
    EXPECT_FALSE(initPhysX());
}

}  // namespace
