#include "game/SunVisibility.h"

#include <cmath>

#include <glm/geometric.hpp>

#include "renderer/LensFlare.h"
#include "state/Camera.h"
#include "state/PhysicsWorld.h"

bool isSunVisible() {
    if (!physxScene) {
        return false;
    }
    const glm::vec3 origin = Camera::getInstance()->position;
    const glm::vec3 d = sunPhysicsPosition - origin;
    const float lengthSquared = glm::dot(d, d);
    const glm::vec3 direction = lengthSquared > 0.0f ? d / std::sqrt(lengthSquared) : glm::vec3(0.0f);
    phys::RaycastHit hit;
    if (!physxScene->raycast(origin, direction, 500.0f, hit) || !hit.shape) {
        return false;
    }
    return hit.shape->getGeometryType() == phys::GeometryType::Sphere;
}
