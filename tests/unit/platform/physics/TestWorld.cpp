#include "TestWorld.h"

#include <algorithm>
#include <cmath>

namespace test {

TestWorld::TestWorld(unsigned threads, bool withLevel)
{
    foundation = phys::createFoundation();
    physics = phys::createPhysics(*foundation, phys::TolerancesScale{}, true, nullptr);
    dispatcher = phys::createCpuDispatcher(threads);
    phys::SceneDesc desc(physics->getTolerancesScale());
    desc.gravity = glm::vec3(0.0f, -9.81f, 0.0f);
    desc.dispatcher = dispatcher;
    scene = physics->createScene(desc);
    manager = phys::createControllerManager(*scene, false);
    manager->setOverlapRecoveryModule(true);
    material = physics->createMaterial(0.5f, 0.5f, 0.6f);
    if (withLevel) {
        platform = addBox({0.0f, -2.5f, 0.0f}, {5.0f, 0.25f, 15.0f});
        wall = addBox({3.5f, -1.0f, -8.0f}, {0.5f, 2.0f, 3.0f});
        cube = addBox({0.0f, 0.0f, 0.0f}, {0.5f, 0.5f, 0.5f});
        sun = addSphere({0.0f, 10.0f, -200.0f}, 7.0f);
    }
}

TestWorld::~TestWorld()
{
    if (manager)
        manager->release();
    if (scene)
        scene->release();
    if (material)
        material->release();
    if (physics)
        physics->release();
    if (dispatcher)
        dispatcher->release();
    if (foundation)
        foundation->release();
}

phys::Shape* TestWorld::addBox(const glm::vec3& centre, const glm::vec3& halfExtents, phys::ShapeFlags flags)
{
    phys::Shape* shape = physics->createShape(phys::BoxGeometry(halfExtents), *material, false, flags);
    phys::RigidStatic* actor = physics->createRigidStatic(phys::Transform{centre});
    actor->attachShape(*shape);
    scene->addActor(*actor);
    return shape;
}

phys::Shape* TestWorld::addSphere(const glm::vec3& centre, float radius)
{
    phys::Shape* shape = physics->createShape(phys::SphereGeometry(radius), *material, false, phys::ShapeFlags(11));
    phys::RigidStatic* actor = physics->createRigidStatic(phys::Transform{centre});
    actor->attachShape(*shape);
    scene->addActor(*actor);
    return shape;
}

phys::Controller* TestWorld::addPlayer(const glm::dvec3& position, const glm::vec3& facing)
{
    phys::BoxControllerDesc desc;
    desc.position = position;
    desc.upDirection = facing;
    desc.contactOffset = kContactOffset;
    desc.halfHeight = kHalfAlong;
    desc.halfSideExtent = kHalfUp;
    desc.halfForwardExtent = kHalfAcross;
    desc.material = material;
    return manager->createController(desc);
}

Walker::Walker(phys::Controller* c) : controller(c), position(glm::vec3(c->getPosition())) {}

void Walker::step(const glm::vec3& walk)
{
    const float previousY = position.y;
    const float v = std::max(verticalSpeed, 1.5f * -9.81f);
    const float dy = v * kStep * 0.5f;
    verticalSpeed = v + 2.0f * -9.81f * kStep;
    controller->move(glm::vec3(walk.x, dy, walk.z), 0.001f, kStep);
    const glm::vec3 next(controller->getPosition());
    inAir = previousY != next.y;
    if (position.y < -1.33f && !inAir)
        verticalSpeed = -0.5f;
    position = next;
}

void Walker::rest(int steps)
{
    for (int i = 0; i < steps; ++i)
        step();
}

glm::vec3 facingForYaw(float yawDegrees)
{
    const float radians = yawDegrees * 0.017453292f;
    return glm::normalize(glm::vec3(std::cos(radians), 0.0f, std::sin(radians)));
}

}  // namespace test
