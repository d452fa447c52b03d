#pragma once
// The scene's one directional light, and the uniforms that light the textured-mesh program.
#include <glm/vec3.hpp>

class Shader;

struct DirectionalLight {
    glm::vec3 color;      // linear RGB, 0 to 1
    glm::vec3 direction;  // the direction the light travels, unit length
};

// Warm orange: the light far from the start. Near the world origin it blends to a cool blue.
extern const glm::vec3 defaultLightColor;
// The light itself, dirL, is in the renderer's table, renderer/RendererState.h.

// Makes the program current and loads the camera's view-projection, the light and the gamma.
void setLightUniforms(Shader& shader, glm::vec3 gammaValue);
