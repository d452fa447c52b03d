#include <gtest/gtest.h>

#include "TestWorld.h"

namespace {

// The game's world: globals made in its start-up order, released in its shutdown order, each
// only when set and nulled afterwards. The sanitizer run reports anything left behind.
struct GameWorld {
    phys::Foundation* foundation = nullptr;
    phys::Pvd* pvd = nullptr;
    phys::PvdTransport* transport = nullptr;
    phys::Physics* physics = nullptr;
    phys::CpuDispatcher* dispatcher = nullptr;
    phys::Scene* scene = nullptr;
    phys::ControllerManager* manager = nullptr;
    phys::Material* materials[3] = {nullptr, nullptr, nullptr};

    void init()
    {
        foundation = phys::createFoundation();
        pvd = phys::createPvd(*foundation);
        transport = phys::createPvdSocketTransport("127.0.0.1", 1, 10);  // nothing listens on port 1
        pvd->connect(*transport);
        physics = phys::createPhysics(*foundation, phys::TolerancesScale{1.0f, 10.0f}, true, pvd);
        phys::SceneDesc desc(physics->getTolerancesScale());
        desc.gravity = glm::vec3(0.0f, -9.81f, 0.0f);
        dispatcher = phys::createCpuDispatcher(2);
        desc.dispatcher = dispatcher;
        scene = physics->createScene(desc);
        if (phys::PvdSceneClient* client = scene->getScenePvdClient()) {
            client->setScenePvdFlag(phys::PvdSceneFlag::TransmitConstraints, true);
            client->setScenePvdFlag(phys::PvdSceneFlag::TransmitContacts, true);
            client->setScenePvdFlag(phys::PvdSceneFlag::TransmitSceneQueries, true);
        }
        manager = phys::createControllerManager(*scene, false);
        manager->setOverlapRecoveryModule(true);
        materials[0] = physics->createMaterial(0.5f, 0.5f, 0.6f);
        materials[1] = physics->createMaterial(10.0f, 10.0f, 0.1f);
        materials[2] = physics->createMaterial(0.5f, 0.5f, 0.6f);
    }

    // The level: every box gets a material of its own stored over slot 0.
    void buildLevel()
    {
        for (int i = 0; i < 24; ++i) {
            materials[0] = physics->createMaterial(0.5f, 0.5f, 0.6f);
            phys::Shape* shape = physics->createShape(phys::BoxGeometry(glm::vec3(10, 0.25f, 10)), *materials[0],
                                                      false, phys::ShapeFlags(11));
            phys::RigidStatic* actor = physics->createRigidStatic(phys::Transform{glm::vec3(0, -2.5f, -25.0f * i)});
            actor->attachShape(*shape);
            scene->addActor(*actor);
        }
        materials[0] = physics->createMaterial(10.0f, 10.0f, 0.1f);
        phys::Shape* sun = physics->createShape(phys::SphereGeometry(7.0f), *materials[0], false, phys::ShapeFlags(11));
        phys::RigidStatic* actor = physics->createRigidStatic(phys::Transform{glm::vec3(0, 10, -200)});
        actor->attachShape(*sun);
        scene->addActor(*actor);
    }

    void shutdown()
    {
        if (manager) { manager->release(); manager = nullptr; }
        if (scene) { scene->release(); scene = nullptr; }
        for (phys::Material*& m : materials)
            if (m) { m->release(); m = nullptr; }
        if (physics) { physics->release(); physics = nullptr; }
        if (dispatcher) { dispatcher->release(); dispatcher = nullptr; }
        if (pvd) {
            pvd->release();
            pvd = nullptr;
            if (transport) { transport->release(); transport = nullptr; }
        }
        if (foundation) { foundation->release(); foundation = nullptr; }
    }
};

TEST(PhysicsLifecycle, GameStartAndShutdownOrderLeaveNothingBehind)
{
    GameWorld game;
    game.init();
    ASSERT_NE(game.scene, nullptr);
    ASSERT_NE(game.scene->getScenePvdClient(), nullptr);
    EXPECT_EQ(game.scene->getScenePvdClient()->getScenePvdFlags(), 7u);
    EXPECT_FALSE(game.pvd->isConnected());
    game.buildLevel();
    EXPECT_EQ(game.scene->getNbActors(), 25u);

    phys::BoxControllerDesc desc;
    desc.position = glm::dvec3(0.0, static_cast<double>(-1.33f), -16.5);
    desc.upDirection = glm::vec3(0, 0, -1);
    desc.contactOffset = 0.01f;
    desc.halfHeight = 0.3f;
    desc.halfSideExtent = 0.9f;
    desc.halfForwardExtent = 0.45f;
    desc.material = game.physics->createMaterial(0.5f, 0.5f, 0.6f);
    phys::Controller* controller = game.manager->createController(desc);
    ASSERT_NE(controller, nullptr);
    for (int i = 0; i < 30; ++i) {
        controller->move({0, -0.004f, 0}, 0.001f, test::kStep);
        game.scene->simulate(test::kStep);
        game.scene->fetchResults(true);
    }
    game.shutdown();
    game.shutdown();  // a second shutdown finds every pointer null and releases nothing
}

TEST(PhysicsLifecycle, ReleasingTwiceIsHarmless)
{
    test::TestWorld world;
    phys::Material* material = world.physics->createMaterial(1, 1, 0);
    phys::Shape* shape = world.physics->createShape(phys::BoxGeometry(1, 1, 1), *material, true, phys::ShapeFlags(11));
    phys::RigidStatic* actor = world.physics->createRigidStatic(phys::Transform{glm::vec3(0, 20, 0)});
    ASSERT_TRUE(actor->attachShape(*shape));
    ASSERT_TRUE(world.scene->addActor(*actor));
    EXPECT_FALSE(world.scene->addActor(*actor));
    phys::Controller* controller = world.addPlayer({-2.0, -1.34, 10.0});

    phys::RaycastHit hit;
    ASSERT_TRUE(world.scene->raycast({0, 30, 0}, {0, -1, 0}, 100.0f, hit));
    EXPECT_EQ(hit.shape, shape);
    actor->release();
    actor->release();
    ASSERT_TRUE(world.scene->raycast({0, 30, 0}, {0, -1, 0}, 100.0f, hit));
    EXPECT_EQ(hit.shape, world.cube);  // the released actor left the scene

    shape->release();
    shape->release();
    material->release();
    material->release();
    controller->release();
    controller->release();
    EXPECT_EQ(world.manager->getNbControllers(), 0u);
    EXPECT_EQ(static_cast<std::uint32_t>(controller->move({1, 0, 0}, 0, test::kStep)), 0u);
    world.manager->release();
    world.manager->release();
    world.manager = nullptr;
    world.scene->release();
    world.scene->release();
    world.scene = nullptr;
}

TEST(PhysicsLifecycle, SceneReleasedBeforeItsManagerTakesTheControllersWithIt)
{
    test::TestWorld world;
    phys::Controller* controller = world.addPlayer({-2.0, -1.34, 10.0});
    world.scene->release();
    EXPECT_EQ(world.manager->getNbControllers(), 0u);
    EXPECT_EQ(world.manager->createController(phys::BoxControllerDesc{}), nullptr);
    controller->move({1, 0, 0}, 0, test::kStep);
    EXPECT_EQ(controller->getPosition(), glm::dvec3(-2.0, -1.34, 10.0));
    phys::RaycastHit hit;
    EXPECT_FALSE(world.scene->raycast({0, 5, 0}, {0, -1, 0}, 10.0f, hit));
    EXPECT_FALSE(world.scene->simulate(test::kStep));
    EXPECT_EQ(phys::createControllerManager(*world.scene, false), nullptr);
    world.scene = nullptr;
}

TEST(PhysicsLifecycle, PhysicsReleaseTakesEverythingStillAlive)
{
    phys::Foundation* foundation = phys::createFoundation();
    phys::Physics* physics = phys::createPhysics(*foundation, phys::TolerancesScale{}, false, nullptr);
    phys::CpuDispatcher* dispatcher = phys::createCpuDispatcher(2);
    phys::Scene* scene = physics->createScene(phys::SceneDesc(physics->getTolerancesScale(), {0, -9.81f, 0}, dispatcher));
    EXPECT_EQ(scene->getScenePvdClient(), nullptr);
    phys::ControllerManager* manager = phys::createControllerManager(*scene, true);
    phys::Material* material = physics->createMaterial(0.5f, 0.5f, 0.6f);
    phys::Shape* shape = physics->createShape(phys::BoxGeometry(1, 1, 1), *material, false, phys::ShapeFlags(11));
    for (int i = 0; i < 3; ++i) {
        phys::RigidStatic* actor = physics->createRigidStatic(phys::Transform{glm::vec3(3.0f * i, 0, 0)});
        actor->attachShape(*shape);
        scene->addActor(*actor);
    }
    phys::BoxControllerDesc desc;
    desc.position = glm::dvec3(0, 5, 0);
    ASSERT_NE(manager->createController(desc), nullptr);
    scene->simulate(test::kStep);  // left running: release finishes it
    physics->release();
    dispatcher->release();
    foundation->release();
}

TEST(PhysicsLifecycle, InvalidInputGivesNull)
{
    test::TestWorld world(2, false);
    EXPECT_EQ(world.physics->createShape(phys::BoxGeometry(1, 0, 1), *world.material, false, 11), nullptr);
    EXPECT_EQ(world.physics->createShape(phys::BoxGeometry(1, NAN, 1), *world.material, false, 11), nullptr);
    EXPECT_EQ(world.physics->createShape(phys::SphereGeometry(-1.0f), *world.material, false, 11), nullptr);
    EXPECT_EQ(world.physics->createMaterial(NAN, 0, 0), nullptr);
    EXPECT_EQ(world.physics->createRigidStatic(phys::Transform{glm::vec3(0), glm::quat(0, 0, 0, 0)}), nullptr);

    phys::BoxControllerDesc desc;
    EXPECT_TRUE(desc.isValid());
    desc.halfHeight = 0.0f;
    EXPECT_EQ(world.manager->createController(desc), nullptr);
    desc = {};
    desc.upDirection = glm::vec3(0.0f);
    EXPECT_EQ(world.manager->createController(desc), nullptr);
    desc = {};
    desc.contactOffset = 0.0f;
    EXPECT_EQ(world.manager->createController(desc), nullptr);
    desc = {};
    desc.position.x = INFINITY;
    EXPECT_EQ(world.manager->createController(desc), nullptr);

    // An exclusive shape goes on one actor only.
    phys::Shape* exclusive = world.physics->createShape(phys::SphereGeometry(1), *world.material, true, 11);
    phys::RigidStatic* first = world.physics->createRigidStatic(phys::Transform{});
    phys::RigidStatic* second = world.physics->createRigidStatic(phys::Transform{});
    EXPECT_TRUE(first->attachShape(*exclusive));
    EXPECT_FALSE(first->attachShape(*exclusive));
    EXPECT_FALSE(second->attachShape(*exclusive));
    EXPECT_EQ(first->getNbShapes(), 1u);
    EXPECT_EQ(second->getNbShapes(), 0u);
}

TEST(PhysicsLifecycle, TolerancesScaleIsKept)
{
    phys::Foundation* foundation = phys::createFoundation();
    phys::Physics* physics = phys::createPhysics(*foundation, phys::TolerancesScale{2.0f, 20.0f}, true, nullptr);
    EXPECT_EQ(physics->getTolerancesScale().length, 2.0f);
    EXPECT_EQ(physics->getTolerancesScale().speed, 20.0f);
    EXPECT_EQ(phys::createPhysics(*foundation, phys::TolerancesScale{0.0f, 1.0f}, true, nullptr), nullptr);
    physics->release();
    foundation->release();
}

}  // namespace
