#pragma once
// The scene's one directional light, and the uniforms that light the textured-mesh program.
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

class Shader;

struct DirectionalLight {
    glm::vec3 color;      // linear RGB, 0 to 1
    glm::vec3 direction;  // the direction the light travels, unit length
};

// Warm orange: the light far from the start. Near the world origin it blends to a cool blue.
extern const glm::vec3 defaultLightColor;
// The light itself, dirL, is in the renderer's table, renderer/RendererState.h.

// Makes the program current and loads the camera's view-projection, the light and the gamma,
// and the eye the view-projection looks from ("eyeWorldPosition", eyeOfViewProjection).
void setLightUniforms(Shader& shader, glm::vec3 gammaValue);

// The eye of a perspective view-projection: the point it sends to w = 0, found by carrying the
// clip-space direction (0, 0, 1, 0) back through the inverse, in homogeneous form. The origin
// when that lands at infinity (no perspective).
glm::vec3 eyeOfViewProjection(const glm::mat4& viewProjection);
