#pragma once
// The fixed level: 23 platforms floating above the abyss, the reflective cube's collision box
// and the sun. Positions here are level coordinates (y up, z along the course from the start
// platform at z = 0 to the goal at z = 100); the physics scene sees them with z negated.
#include <string>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "state/GlobalState.h"  // boxTexCoords

// One row of the level: feeds both the static physics actors and the renderable scene objects.
struct LevelObjectDesc {
    std::string name;
    glm::vec3 position;             // centre of the box, level coordinates
    glm::vec3 size;                 // full extents along x, y, z
    std::string materialName;       // key into materialMap
    glm::vec3 physicsMaterial;      // static friction, dynamic friction, restitution
    bool hasHitbox;
    bool isRendered;
    std::vector<glm::vec2> texCoords;  // 24 entries, four per face in the box builder's face order

    // The physics material comes before the material name here, unlike the field order.
    LevelObjectDesc(std::string name, glm::vec3 position, glm::vec3 size, glm::vec3 physicsMaterial,
                    std::string materialName, bool hasHitbox, bool isRendered,
                    std::vector<glm::vec2> texCoords);
};

// One static physics box.
struct HitboxDesc {
    std::string name;
    glm::vec3 position;         // level coordinates
    glm::vec3 size;             // full extents
    glm::vec3 physicsMaterial;  // static friction, dynamic friction, restitution
};

// Friction and restitution of every platform and of the cube's box.
extern const glm::vec3 levelPhysicsMaterial;

class Level {
public:
    float goalPlatformSize;   // x and z size of the goal platform
    float walkwayWidth;       // the narrow side of the walkways
    float platformThickness;  // y size of every platform
    std::vector<HitboxDesc> hitboxes;
    std::vector<LevelObjectDesc> objects;

    Level(float goalPlatformSize, float walkwayWidth, float platformThickness);

    // The layout, then the sun mesh. Needs a current OpenGL context, boxTexCoords filled and
    // "sun" registered in materialMap. Defined with the level's meshes, in renderer/LevelMeshes.cpp.
    void build();

    // The data half of build: the platform rows and the cube's hitbox, no OpenGL.
    void buildLayout();

    // A hitbox for every object that has one (after the cube's), then the physics actors.
    void createHitboxes();

    // One static box actor per hitbox, then the sun's sphere, into physxScene.
    void createStaticActors();
};
