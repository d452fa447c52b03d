#pragma once
// One frame of the running game, and the scene's one directional light.
#include <glm/vec3.hpp>

class Shader;
struct GameContext;

struct DirectionalLight {
    glm::vec3 color;      // linear RGB, 0 to 1
    glm::vec3 direction;  // the direction the light travels, unit length
};

// Warm orange: the light far from the start. Near the world origin it blends to a cool blue.
extern const glm::vec3 defaultLightColor;
extern DirectionalLight dirL;

// Makes the program current and loads the camera's view-projection, the light and the gamma.
void setLightUniforms(Shader& shader, glm::vec3 gammaValue);

// The scene of a game frame, without its GUI: depth test and multisampling on, the lit level,
// the collectibles, the player, the mirror cube, the sky, the sun and both particle systems.
// Clears updateTick once the particles and the player have read it.
void drawScene(GameContext& context);

// Draws one game frame in the fixed pass order; draws nothing while the window is closing.
void renderFrame(GameContext& context);
