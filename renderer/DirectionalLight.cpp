#include "renderer/DirectionalLight.h"

#include <glm/geometric.hpp>

#include "framework/Shader.h"
#include "state/Camera.h"

const glm::vec3 defaultLightColor(1.0f, 0.4f, 0.0f);
DirectionalLight dirL{defaultLightColor, glm::normalize(glm::normalize(glm::vec3(0.0f, -0.05f, -1.0f)))};

void setLightUniforms(Shader& shader, glm::vec3 gammaValue) {
    const Camera& camera = *Camera::getInstance();
    shader.use();
    shader.setUniform("viewProjMatrix", camera.projection * camera.view);
    shader.setUniform("dirL.color", dirL.color);
    shader.setUniform("dirL.direction", dirL.direction);
    shader.setUniform("gamma", gammaValue);
}
