#include "renderer/RendererState.h"

#include <glm/geometric.hpp>

// Defined here, before the light that starts with it, so the two are made in this order.
const glm::vec3 defaultLightColor(1.0f, 0.4f, 0.0f);

namespace {
// dirL's value when the program starts; the reset copies the same value back.
const DirectionalLight initialLight{defaultLightColor, glm::normalize(glm::normalize(glm::vec3(0.0f, -0.05f, -1.0f)))};
}  // namespace

DirectionalLight dirL = initialLight;

void resetRendererStateForTests() {
    resetStateForTests();
    dirL = initialLight;
}

void resetRendererStateForTests(int width, int height) {
    resetStateForTests(width, height);
    dirL = initialLight;
}
