#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "TestWorld.h"

namespace {

using test::TestWorld;
using test::Walker;
using test::kWallX;

constexpr float kWalkStep = 9.81f * test::kStep * 0.7f;  // the game's walking distance per step

// Height of the controller's centre when it stands on the platform.
constexpr double kRestY = -1.34;

TEST(BoxController, RestHeightStaysBitIdenticalWhileStandingAndWalking)
{
    TestWorld world;
    phys::Controller* player = world.addPlayer({-2.0, static_cast<double>(-1.33f), 10.0});
    ASSERT_NE(player, nullptr);
    Walker walker(player);
    walker.rest();
    const double restY = player->getPosition().y;
    EXPECT_NEAR(restY, kRestY, 1e-6);
    EXPECT_EQ(static_cast<float>(restY), -1.34f);

    // Idle, then a square walked forward, right, back and left, repeatedly; turning as it goes.
    const glm::vec3 legs[4] = {{0, 0, -kWalkStep}, {kWalkStep, 0, 0}, {0, 0, kWalkStep}, {-kWalkStep, 0, 0}};
    const float yaws[4] = {270.0f, 0.0f, 90.0f, 180.0f};
    for (int i = 0; i < 600; ++i) {
        if (i < 200) {
            walker.step();
        } else {
            const int leg = ((i - 200) / 50) % 4;
            if ((i - 200) % 50 == 0) {
                player->setUpDirection(test::facingForYaw(yaws[leg]));
                player->move({0.001f, 0.0f, 0.0f}, 0.0f, test::kStep);
                player->move({-0.001f, 0.0f, 0.0f}, 0.0f, test::kStep);
            }
            walker.step(legs[leg]);
        }
        ASSERT_EQ(player->getPosition().y, restY) << "step " << i;
        ASSERT_FALSE(walker.inAir) << "step " << i;
    }
    // The square closed: the walk itself was not hindered.
    EXPECT_NEAR(player->getPosition().x, -2.0, 1e-3);
    EXPECT_NEAR(player->getPosition().z, 10.0, 1e-3);
}

TEST(BoxController, RestHeightHoldsAcrossSeamsAndFarFromTheOrigin)
{
    // Two platforms meeting edge to edge, as the level's walkways do, around z = -100.
    TestWorld world(2, false);
    world.addBox({0.0f, -2.5f, -100.0f}, {10.0f, 0.25f, 10.0f});
    world.addBox({0.0f, -2.5f, -88.5f}, {1.5f, 0.25f, 1.5f});
    phys::Controller* player = world.addPlayer({0.0, static_cast<double>(-1.33f), -88.0});
    Walker walker(player);
    walker.rest();
    const double restY = player->getPosition().y;
    EXPECT_EQ(static_cast<float>(restY), -1.34f);
    for (int i = 0; i < 150; ++i) {
        walker.step({0.0f, 0.0f, -kWalkStep});
        ASSERT_EQ(player->getPosition().y, restY) << "step " << i;
    }
    EXPECT_LT(player->getPosition().z, -100.0);
}

TEST(BoxController, FallFromTheStartHeightSettlesExactlyAtRest)
{
    TestWorld world;
    phys::Controller* reference = world.addPlayer({2.0, -1.0, 10.0});
    Walker referenceWalker(reference);
    referenceWalker.rest();

    phys::Controller* player = world.addPlayer({-2.0, static_cast<double>(-1.33f), 10.0});
    Walker walker(player);
    bool landed = false;
    for (int i = 0; i < 120; ++i) {
        const double before = player->getPosition().y;
        walker.step();
        const double after = player->getPosition().y;
        EXPECT_LE(after, before);
        EXPECT_GE(after, kRestY - 1e-6);
        if (landed) {
            ASSERT_EQ(after, before) << "step " << i;
        }
        landed = landed || (i > 2 && after == before);
    }
    EXPECT_TRUE(landed);
    // Every landing on this top ends on the same double, whatever height it fell from.
    EXPECT_EQ(player->getPosition().y, reference->getPosition().y);

    phys::Controller* high = world.addPlayer({0.0, 8.0, 10.0});
    Walker highWalker(high);
    highWalker.rest(200);
    EXPECT_EQ(high->getPosition().y, reference->getPosition().y);
}

TEST(BoxController, WalkingOffAnEdgeFalls)
{
    TestWorld world;
    phys::Controller* player = world.addPlayer({3.5, -1.34, 10.0});  // facing -z: 0.45 across in x
    Walker walker(player);
    walker.rest();
    const double restY = player->getPosition().y;

    bool falling = false;
    for (int i = 0; i < 60 && !falling; ++i) {
        walker.step({kWalkStep, 0.0f, 0.0f});
        if (player->getPosition().y < restY) {
            falling = true;
            // Supported for as long as any of the footprint is over the platform.
            EXPECT_GT(player->getPosition().x - test::kHalfAcross, 5.0 - 0.01);
        }
    }
    ASSERT_TRUE(falling);
    walker.rest(60);
    EXPECT_LT(player->getPosition().y, -5.0);
    EXPECT_TRUE(walker.inAir);
}

TEST(BoxController, WallStopsTheMoveAndTheRestSlidesAlong)
{
    TestWorld world;
    phys::Controller* player = world.addPlayer({1.0, -1.34, -8.0}, {1.0f, 0.0f, 0.0f});  // facing +x
    Walker walker(player);
    walker.rest();
    const double restY = player->getPosition().y;

    for (int i = 0; i < 40; ++i)
        walker.step({kWalkStep, 0.0f, 0.0f});
    const double stopX = kWallX - test::kHalfAlong - test::kContactOffset;
    EXPECT_NEAR(player->getPosition().x, stopX, 1e-4);
    EXPECT_EQ(player->getPosition().y, restY);
    const phys::CollisionFlags flags = player->move({0.05f, -0.004f, 0.0f}, 0.001f, test::kStep);
    EXPECT_TRUE(flags.isSet(phys::CollisionFlags::Sides));
    EXPECT_TRUE(flags.isSet(phys::CollisionFlags::Down));
    EXPECT_FALSE(flags.isSet(phys::CollisionFlags::Up));

    // Pressing on diagonally keeps x at the wall and carries on along z.
    const double z0 = player->getPosition().z;
    for (int i = 0; i < 10; ++i)
        walker.step({kWalkStep * 0.7071f, 0.0f, -kWalkStep * 0.7071f});
    EXPECT_NEAR(player->getPosition().x, stopX, 1e-4);
    EXPECT_NEAR(player->getPosition().z, z0 - 10 * kWalkStep * 0.7071f, 1e-3);
    EXPECT_EQ(player->getPosition().y, restY);
}

TEST(BoxController, TurningIntoAWallIsRecovered)
{
    for (const bool recovery : {true, false}) {
        TestWorld world;
        world.manager->setOverlapRecoveryModule(recovery);
        phys::Controller* player = world.addPlayer({1.0, -1.34, -8.0}, {1.0f, 0.0f, 0.0f});
        Walker walker(player);
        walker.rest();
        for (int i = 0; i < 40; ++i)
            walker.step({kWalkStep, 0.0f, 0.0f});
        const glm::dvec3 atWall = player->getPosition();

        // Facing -z, the 0.45 side now points into the wall, 0.15 deep.
        player->setUpDirection(test::facingForYaw(270.0f));
        player->move({0.001f, 0.0f, 0.0f}, 0.0f, test::kStep);
        player->move({-0.001f, 0.0f, 0.0f}, 0.0f, test::kStep);
        const glm::dvec3 turned = player->getPosition();
        EXPECT_EQ(turned.y, atWall.y);
        if (recovery) {
            EXPECT_LE(turned.x + test::kHalfAcross, kWallX + 1e-4);
            EXPECT_GT(turned.x + test::kHalfAcross, kWallX - 0.02);
            EXPECT_NEAR(turned.z, atWall.z, 1e-6);
            // And standing there stays put.
            walker.position = glm::vec3(turned);
            for (int i = 0; i < 30; ++i)
                walker.step();
            EXPECT_NEAR(player->getPosition().x, turned.x, 1e-6);
            EXPECT_EQ(player->getPosition().y, atWall.y);
        } else {
            EXPECT_GT(turned.x + test::kHalfAcross, kWallX + 0.1);
        }
    }
}

TEST(BoxController, TurnSettlingMovesDoNotDrift)
{
    TestWorld world;
    phys::Controller* player = world.addPlayer({-2.0, -1.34, 10.0});
    Walker walker(player);
    walker.rest();
    const glm::dvec3 start = player->getPosition();
    for (int i = 0; i < 360; ++i) {
        player->setUpDirection(test::facingForYaw(static_cast<float>(i)));
        player->move({0.001f, 0.0f, 0.0f}, 0.0f, test::kStep);
        player->move({-0.001f, 0.0f, 0.0f}, 0.0f, test::kStep);
    }
    const glm::dvec3 end = player->getPosition();
    EXPECT_EQ(end.y, start.y);
    EXPECT_NEAR(end.x, start.x, 1e-9);
    EXPECT_NEAR(end.z, start.z, 1e-9);
}

TEST(BoxController, CubeAtTheOriginBlocks)
{
    TestWorld world;
    phys::Controller* player = world.addPlayer({0.0, -1.34, 5.0});  // facing -z: 0.3 along z
    Walker walker(player);
    walker.rest();
    for (int i = 0; i < 60; ++i)
        walker.step({0.0f, 0.0f, -kWalkStep});
    EXPECT_NEAR(player->getPosition().z, 0.5 + test::kHalfAlong + test::kContactOffset, 1e-4);
    EXPECT_NEAR(player->getPosition().x, 0.0, 1e-6);
}

TEST(BoxController, MoveShorterThanMinimalDistanceDoesNothing)
{
    TestWorld world;
    phys::Controller* player = world.addPlayer({-2.0, 3.0, 10.0});
    EXPECT_EQ(static_cast<std::uint32_t>(player->move({0.0005f, -0.0005f, 0.0f}, 0.001f, test::kStep)), 0u);
    EXPECT_EQ(player->getPosition(), glm::dvec3(-2.0, 3.0, 10.0));
    player->move({0.0f, 0.0f, 0.0f}, 0.0f, test::kStep);
    EXPECT_EQ(player->getPosition(), glm::dvec3(-2.0, 3.0, 10.0));
    // Non-finite moves are ignored.
    player->move({NAN, 0.0f, 0.0f}, 0.0f, test::kStep);
    EXPECT_EQ(player->getPosition(), glm::dvec3(-2.0, 3.0, 10.0));
    EXPECT_FALSE(player->setPosition({INFINITY, 0.0, 0.0}));
    player->setUpDirection(glm::vec3(0.0f));
    EXPECT_EQ(player->getUpDirection(), glm::vec3(0.0f, 0.0f, -1.0f));
}

TEST(BoxController, SetPositionInsideABoxIsPushedOutOnTheNextMove)
{
    TestWorld world;
    phys::Controller* player = world.addPlayer({-2.0, -1.34, 10.0});
    // Overlaps the cube by 0.15 in x (0.45 across), deeply in y and z.
    ASSERT_TRUE(player->setPosition({0.8, 0.0, 0.0}));
    EXPECT_EQ(player->getPosition(), glm::dvec3(0.8, 0.0, 0.0));
    player->move(glm::vec3(0.0f), 0.001f, test::kStep);
    const glm::dvec3 out = player->getPosition();
    EXPECT_NEAR(out.x, 0.5 + test::kHalfAcross + test::kContactOffset, 1e-4);
    EXPECT_EQ(out.y, 0.0);
    EXPECT_EQ(out.z, 0.0);

    // Sunk 0.15 into the platform: lifted out, then settled on the usual rest height.
    phys::Controller* reference = world.addPlayer({2.0, -1.0, 10.0});
    Walker(reference).rest();
    ASSERT_TRUE(player->setPosition({-2.0, -1.5, 10.0}));
    Walker walker(player);
    walker.rest(5);
    EXPECT_EQ(player->getPosition().y, reference->getPosition().y);
    EXPECT_EQ(player->getPosition().x, -2.0);
}

TEST(BoxController, FrameFollowsTheUpDirection)
{
    TestWorld world(2, false);
    phys::Controller* player = world.addPlayer({0.0, 5.0, 5.0});
    phys::RaycastHit hit;
    const auto faceAt = [&](glm::vec3 origin, glm::vec3 dir) {
        EXPECT_TRUE(world.scene->raycast(origin, dir, 100.0f, hit));
        EXPECT_EQ(hit.shape, player->getShape());
        return hit.position;
    };
    // Facing -z: 0.3 along z, 0.9 up, 0.45 across.
    EXPECT_NEAR(faceAt({10, 5, 5}, {-1, 0, 0}).x, 0.45f, 1e-4f);
    EXPECT_NEAR(faceAt({0, 5, 20}, {0, 0, -1}).z, 5.3f, 1e-4f);
    EXPECT_NEAR(faceAt({0, 20, 5}, {0, -1, 0}).y, 5.9f, 1e-4f);
    // Turned to +x: 0.3 along x, 0.45 along z.
    player->setUpDirection({1, 0, 0});
    EXPECT_NEAR(faceAt({10, 5, 5}, {-1, 0, 0}).x, 0.3f, 1e-4f);
    EXPECT_NEAR(faceAt({0, 5, 20}, {0, 0, -1}).z, 5.45f, 1e-4f);
    // Turned by 45 degrees about the vertical: a ray through the centre meets the 0.3 face.
    player->setUpDirection(glm::normalize(glm::vec3(1, 0, 1)));
    EXPECT_NEAR(faceAt({10, 5, 5}, {-1, 0, 0}).x, 0.3f * 1.41421356f, 1e-3f);
    EXPECT_NEAR(faceAt({0, 20, 5}, {0, -1, 0}).y, 5.9f, 1e-4f);
    // Up vertical: the height axis stands upright.
    player->setUpDirection({0, 1, 0});
    EXPECT_NEAR(faceAt({0, 20, 5}, {0, -1, 0}).y, 5.3f, 1e-4f);
    EXPECT_EQ(player->getUpDirection(), glm::vec3(0, 1, 0));
    phys::BoxGeometry box;
    ASSERT_TRUE(player->getShape()->getBoxGeometry(box));
    EXPECT_EQ(box.halfExtents, glm::vec3(0.3f, 0.9f, 0.45f));
}

TEST(BoxController, JumpIsStoppedByACeiling)
{
    TestWorld world;
    world.addBox({-2.0f, 0.5f, 10.0f}, {1.0f, 0.25f, 1.0f});  // underside at y = 0.25
    phys::Controller* player = world.addPlayer({-2.0, -1.34, 10.0});
    Walker walker(player);
    walker.rest();
    walker.verticalSpeed = 8.829f;
    bool hitCeiling = false;
    for (int i = 0; i < 20; ++i) {
        const double before = player->getPosition().y;
        const phys::CollisionFlags flags =
            player->move({0.0f, std::max(walker.verticalSpeed, 0.0f) * test::kStep * 0.5f, 0.0f}, 0.001f, test::kStep);
        walker.verticalSpeed += 2.0f * -9.81f * test::kStep;
        hitCeiling = hitCeiling || flags.isSet(phys::CollisionFlags::Up);
        EXPECT_GE(player->getPosition().y, before);
    }
    EXPECT_TRUE(hitCeiling);
    EXPECT_NEAR(player->getPosition().y, 0.25 - test::kHalfUp - test::kContactOffset, 1e-4);
}

}  // namespace
