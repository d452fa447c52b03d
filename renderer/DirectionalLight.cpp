#include "renderer/DirectionalLight.h"

#include <cmath>

#include <glm/geometric.hpp>
#include <glm/matrix.hpp>

#include "framework/Shader.h"
#include "renderer/RendererState.h"
#include "state/Camera.h"

void setLightUniforms(Shader& shader, glm::vec3 gammaValue) {
    const Camera& camera = *Camera::getInstance();
    shader.use();
    const glm::mat4 viewProjection = camera.projection * camera.view;
    shader.setUniform("viewProjMatrix", viewProjection);
    shader.setUniform("dirL.color", dirL.color);
    shader.setUniform("dirL.direction", dirL.direction);
    shader.setUniform("gamma", gammaValue);
    shader.setUniform("eyeWorldPosition", eyeOfViewProjection(viewProjection));
}

glm::vec3 eyeOfViewProjection(const glm::mat4& viewProjection) {
    const glm::vec4 eye = glm::inverse(viewProjection) * glm::vec4(0.0f, 0.0f, 1.0f, 0.0f);
    return std::fabs(eye.w) > 1e-8f ? glm::vec3(eye) / eye.w : glm::vec3(0.0f);
}
