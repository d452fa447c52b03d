#include "renderer/LevelMeshes.h"

#include <algorithm>
#include <functional>
#include <iostream>

#include <glm/gtc/matrix_transform.hpp>

#include "framework/Shader.h"
#include "state/Level.h"
#include "renderer/Material.h"
#include "renderer/StaticMesh.h"

std::vector<StaticMesh*> levelMeshes;
StaticMesh* sunMesh = nullptr;

namespace {

// The registered material of that name, or null (the map is not grown by the lookup).
std::shared_ptr<Material> findMaterial(const std::string& name) {
    const auto it = materialMap.find(name);
    return it != materialMap.end() ? it->second : nullptr;
}

// The level's rows and the sun always carry 24 texture coordinates; createBoxGeometry's
// exception for any other count is a programming error and is left to end the program.
StaticMesh* makeBoxMesh(const std::string& name, const glm::vec3& position, const glm::vec3& size,
                        const std::vector<glm::vec2>& texCoords, std::shared_ptr<Material> material) {
    StaticMeshData data = createBoxGeometry(size.x, size.y, size.z, texCoords);
    return new StaticMesh(name, glm::translate(glm::mat4(1.0f), position), std::move(data), std::move(material));
}

}  // namespace

void createLevelMeshes(const Level& level) {
    for (const LevelObjectDesc& object : level.objects) {
        if (!object.isRendered) {
            continue;
        }
        std::shared_ptr<Material> material = findMaterial(object.materialName);
        if (!material) {
            std::cout << "Level object \"" << object.name << "\" is not drawn: no material \""
                      << object.materialName << "\"" << std::endl;
            continue;
        }
        levelMeshes.push_back(makeBoxMesh(object.name, object.position, object.size, object.texCoords, material));
    }
    // Meshes sharing a material become neighbours; the order of the groups does not matter.
    std::sort(levelMeshes.begin(), levelMeshes.end(), [](const StaticMesh* a, const StaticMesh* b) {
        return std::less<const Material*>()(a->getMaterial().get(), b->getMaterial().get());
    });
}

StaticMesh* createSunMesh() {
    std::shared_ptr<Material> material = findMaterial("sun");
    if (!material) {
        std::cout << "The sun is not drawn: no material \"sun\"" << std::endl;
        return nullptr;
    }
    // Fixed numbers: the lens flare projects the same point and the sun's physics sphere stands
    // there with z negated.
    return makeBoxMesh("sun", glm::vec3(0.0f, 10.0f, 200.0f), glm::vec3(20.0f, 20.0f, 0.1f), boxTexCoords,
                       material);
}

void Level::build() {
    buildLayout();
    sunMesh = createSunMesh();
}

void drawLevelMeshes(std::shared_ptr<Shader> shader) {
    shader->use();
    const Material* current = nullptr;
    for (StaticMesh* mesh : levelMeshes) {
        std::shared_ptr<Material> material = mesh->getMaterial();
        if (material.get() != current) {
            current = material.get();
            material->setUniforms();
        }
        mesh->draw(shader);
    }
}

void drawSunMesh(std::shared_ptr<Shader> shader) {
    shader->use();
    if (!sunMesh) {
        return;
    }
    sunMesh->getMaterial()->setUniforms();
    sunMesh->draw(shader);
}

void releaseLevelMeshes() {
    for (StaticMesh* mesh : levelMeshes) {
        delete mesh;
    }
    levelMeshes.clear();
    delete sunMesh;
    sunMesh = nullptr;
}
