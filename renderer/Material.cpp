#include "renderer/Material.h"

#include <utility>

#include "framework/Shader.h"
#include "renderer/TextureDXT5.h"

std::map<std::string, std::shared_ptr<Material>> materialMap;

Material::Material(std::shared_ptr<Shader> shader, const glm::vec3& materialCoefficients, float specularAlpha)
    : shader(std::move(shader)), materialCoefficients(materialCoefficients), specularAlpha(specularAlpha) {}

Material::~Material() = default;

void Material::setUniforms() {
    shader->setUniform("materialCoefficients", materialCoefficients);
    shader->setUniform("specularAlpha", specularAlpha);
}

TextureMaterial::TextureMaterial(std::shared_ptr<Shader> shader, const glm::vec3& materialCoefficients,
                                 float specularAlpha, std::shared_ptr<TextureDXT5> texture)
    : Material(std::move(shader), materialCoefficients, specularAlpha), texture(std::move(texture)) {}

TextureMaterial::~TextureMaterial() = default;

void TextureMaterial::setUniforms() {
    Material::setUniforms();
    if (texture) {
        texture->bind(0);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    shader->setUniform("diffuseTexture", 0);
}

const std::vector<LevelMaterialDesc>& levelMaterialTable() {
    static const std::vector<LevelMaterialDesc> table = {
        {"ground01", "../assets/textures/level/ground01.dds", {0.1f, 0.7f, 0.3f}, 8.0f},
        {"sun", "../assets/textures/level/sun.dds", {1.0f, 1.0f, 0.0f}, 0.0f},
        {"platform", "../assets/textures/level/stone_16.dds", {0.1f, 0.7f, 0.3f}, 8.0f},
        {"wall", "../assets/textures/level/wall_01.dds", {0.1f, 0.7f, 0.3f}, 8.0f},
        {"grey", "../assets/textures/level/grey02.dds", {0.1f, 0.7f, 0.3f}, 8.0f},
        {"green", "../assets/textures/level/green.dds", {0.1f, 0.7f, 0.3f}, 8.0f},
    };
    return table;
}

void createMaterials(const std::shared_ptr<Shader>& shader, const std::vector<LevelMaterialDesc>& table) {
    std::vector<std::shared_ptr<TextureDXT5>> textures;
    textures.reserve(table.size());
    for (const LevelMaterialDesc& row : table) {
        textures.push_back(std::make_shared<TextureDXT5>(row.textureFile));
    }
    std::vector<std::shared_ptr<Material>> materials;
    materials.reserve(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        materials.push_back(std::make_shared<TextureMaterial>(shader, table[i].materialCoefficients,
                                                              table[i].specularAlpha, textures[i]));
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        materialMap[table[i].name] = materials[i];
    }
}

void createLevelMaterials(std::shared_ptr<Shader> shader) { createMaterials(shader, levelMaterialTable()); }

void releaseLevelMaterials() {
    for (auto& entry : materialMap) {
        if (auto* textured = dynamic_cast<TextureMaterial*>(entry.second.get()); textured && textured->texture) {
            textured->texture->release();
        }
    }
    materialMap.clear();
}
