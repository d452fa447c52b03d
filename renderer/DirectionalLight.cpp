#include "renderer/DirectionalLight.h"

#include "framework/Shader.h"
#include "renderer/RendererState.h"
#include "state/Camera.h"

void setLightUniforms(Shader& shader, glm::vec3 gammaValue) {
    const Camera& camera = *Camera::getInstance();
    shader.use();
    shader.setUniform("viewProjMatrix", camera.projection * camera.view);
    shader.setUniform("dirL.color", dirL.color);
    shader.setUniform("dirL.direction", dirL.direction);
    shader.setUniform("gamma", gammaValue);
}
