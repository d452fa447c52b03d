#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

class Shader;
class TextureDXT5;

// What a static mesh looks like: a program, three lighting coefficients and a specular
// exponent. Materials never change after creation and are shared by shared_ptr.
class Material {
public:
    Material(std::shared_ptr<Shader> shader, const glm::vec3& materialCoefficients, float specularAlpha);
    virtual ~Material();

    // Sets "materialCoefficients" and "specularAlpha" on the current program: the caller
    // makes `shader` current first.
    virtual void setUniforms();

    std::shared_ptr<Shader> shader;
    glm::vec3 materialCoefficients;
    float specularAlpha;
};

// A material with a diffuse texture, sampled through "diffuseTexture" on unit 0.
class TextureMaterial : public Material {
public:
    TextureMaterial(std::shared_ptr<Shader> shader, const glm::vec3& materialCoefficients, float specularAlpha,
                    std::shared_ptr<TextureDXT5> texture);
    ~TextureMaterial() override;

    // The base's two uniforms, then binds the texture on unit 0, sets its filters again
    // (trilinear minification, linear magnification) and "diffuseTexture" = 0.
    void setUniforms() override;

    std::shared_ptr<TextureDXT5> texture;
};

// The level's materials by name; filled once by createLevelMaterials, then only read.
extern std::map<std::string, std::shared_ptr<Material>> materialMap;

// One row of a material table.
struct LevelMaterialDesc {
    std::string name;
    std::string textureFile;
    glm::vec3 materialCoefficients;
    float specularAlpha;
};

// The level's six materials: ground01, sun, platform, wall, grey, green.
const std::vector<LevelMaterialDesc>& levelMaterialTable();

// Loads every row's texture (in table order), then makes every material (in table order) with
// `shader`, then stores each under its name, replacing an entry of the same name.
void createMaterials(const std::shared_ptr<Shader>& shader, const std::vector<LevelMaterialDesc>& table);

// createMaterials with the level's table; needs a current context, before the level is built.
void createLevelMaterials(std::shared_ptr<Shader> shader);

// Shutdown, while the context exists: gives back the textures of every material in the map
// (also where meshes still share the material) and empties the map.
void releaseLevelMaterials();
