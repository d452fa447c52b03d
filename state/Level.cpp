#include "state/Level.h"

#include <iostream>
#include <utility>

#include "state/PhysicsWorld.h"

const glm::vec3 levelPhysicsMaterial(10.0f, 10.0f, 0.1f);
std::vector<glm::vec2> boxTexCoords;

LevelObjectDesc::LevelObjectDesc(std::string name, glm::vec3 position, glm::vec3 size,
                                 glm::vec3 physicsMaterial, std::string materialName, bool hasHitbox,
                                 bool isRendered, std::vector<glm::vec2> texCoords)
    : name(std::move(name)),
      position(position),
      size(size),
      materialName(std::move(materialName)),
      physicsMaterial(physicsMaterial),
      hasHitbox(hasHitbox),
      isRendered(isRendered),
      texCoords(std::move(texCoords)) {}

Level::Level(float goalPlatformSize, float walkwayWidth, float platformThickness)
    : goalPlatformSize(goalPlatformSize), walkwayWidth(walkwayWidth), platformThickness(platformThickness) {}

void Level::buildLayout() {
    // With the level textures' repeat wrap every platform face shows its texture ten times
    // along each edge.
    std::vector<glm::vec2> platformTexCoords;
    for (int face = 0; face < 6; ++face) {
        platformTexCoords.insert(platformTexCoords.end(),
                                 {{0.0f, 0.0f}, {10.0f, 0.0f}, {10.0f, 10.0f}, {0.0f, 10.0f}});
    }

    const float W = walkwayWidth;
    const float T = platformThickness;
    const float G = goalPlatformSize;
    struct Row {
        float x, z, sizeX, sizeZ;
    };
    // The course in building order; every platform's centre is at y = -2.5, so with T = 0.5
    // the tops lie at -2.25.
    const Row rows[] = {
        {0.0f, -4.5f, 10.0f, 30.0f},  // 1: the start platform
        {0.0f, 11.5f, W, 2.0f},       // 2
        {6.0f, 14.0f, 15.0f, W},      // 3
        {12.0f, 22.25f, W, 8.5f},     // 4
        {5.5f, 25.0f, 10.0f, W},      // 5
        {-6.5f, 25.0f, 10.0f, W},     // 6
        {-10.0f, 31.0f, W, 5.0f},     // 7
        {-18.0f, 52.0f, W, 5.0f},     // 8
        {-16.0f, 35.0f, 15.0f, W},    // 9
        {-22.0f, 40.0f, W, 7.0f},     // 10
        {-16.0f, 45.0f, 15.0f, W},    // 11
        {-1.0f, 45.0f, 10.0f, W},     // 12
        {10.0f, 49.0f, W, 5.0f},      // 13
        {9.0f, 45.0f, 5.0f, W},       // 14
        {16.0f, 52.0f, 15.0f, W},     // 15
        {10.0f, 61.0f, W, 10.0f},     // 16
        {2.5f, 64.5f, 8.0f, W},       // 17
        {0.0f, 68.5f, W, 5.0f},       // 18
        {-9.0f, 64.5f, 10.0f, W},     // 19
        {-9.0f, 80.0f, 10.0f, W},     // 20
        {-12.5f, 73.5f, W, 10.0f},    // 21
        {0.0f, 83.5f, W, 10.0f},      // 22
        {0.0f, 100.0f, G, G},         // 23: the goal platform
    };
    for (const Row& row : rows) {
        objects.emplace_back("platform", glm::vec3(row.x, -2.5f, row.z), glm::vec3(row.sizeX, T, row.sizeZ),
                             levelPhysicsMaterial, "grey", true, true, platformTexCoords);
    }

    // The reflective cube's collision box has no level object of its own; it stands first.
    hitboxes.push_back({"cubemapCubeHitbox", glm::vec3(0.0f), glm::vec3(1.0f), levelPhysicsMaterial});
}

void Level::createHitboxes() {
    for (const LevelObjectDesc& object : objects) {
        if (object.hasHitbox) {
            hitboxes.push_back({object.name, object.position, object.size, object.physicsMaterial});
        }
    }
    createStaticActors();
}

namespace {

// Every static shape takes part in simulation, in scene queries (the lens flare's ray and the
// character controller) and in the visual debugger's view.
const phys::ShapeFlags staticShapeFlags =
    phys::ShapeFlags::SimulationShape | phys::ShapeFlags::SceneQueryShape | phys::ShapeFlags::Visualization;

// The sun's collision sphere: the sun mesh's (0, 10, 200) in physics space.
const glm::vec3 sunSpherePosition(0.0f, 10.0f, -200.0f);
constexpr float sunSphereRadius = 7.0f;

// One static actor with one shape at a physics-space position. The material goes into the
// world's first material slot, which the shutdown releases.
void addStaticActor(const phys::Geometry& geometry, const glm::vec3& material, const glm::vec3& physicsPosition) {
    physxMaterials[0] = physxPhysics->createMaterial(material.x, material.y, material.z);
    phys::Shape* shape =
        physxMaterials[0] ? physxPhysics->createShape(geometry, *physxMaterials[0], false, staticShapeFlags) : nullptr;
    phys::RigidStatic* actor =
        shape ? physxPhysics->createRigidStatic(phys::Transform{physicsPosition, glm::quat(1.0f, 0.0f, 0.0f, 0.0f)})
              : nullptr;
    if (!actor) {
        std::cout << "ERROR: a static physics actor could not be created" << std::endl;
        return;
    }
    actor->attachShape(*shape);
    physxScene->addActor(*actor);
}

}  // namespace

void Level::createStaticActors() {
    if (!physxPhysics || !physxScene) {
        std::cout << "ERROR: no physics world for the level's static actors" << std::endl;
        return;
    }
    for (const HitboxDesc& hitbox : hitboxes) {
        // Level z negated into physics space.
        addStaticActor(phys::BoxGeometry(hitbox.size * 0.5f), hitbox.physicsMaterial,
                       glm::vec3(hitbox.position.x, hitbox.position.y, -hitbox.position.z));
    }
    addStaticActor(phys::SphereGeometry(sunSphereRadius), levelPhysicsMaterial, sunSpherePosition);
}
