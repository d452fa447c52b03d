#pragma once
// The sky: a cube map from six JPEG faces drawn around the camera (rotation only), tinted by a
// factor; and the unit cube with normals that the reflective cube is drawn with.
#include <memory>
#include <string>
#include <vector>

#include "framework/GlHandle.h"

class Shader;

class Skybox {
public:
    GlVertexArray cubeVao;
    GlBuffer cubeVbo;
    GlVertexArray skyboxVao;
    GlBuffer skyboxVbo;
    GlTexture cubemapTexture;
    std::shared_ptr<Shader> cubeMapShader;
    std::shared_ptr<Shader> skyboxShader;

    static Skybox* getInstance();

    // Gives the OpenGL names back (shutdown, before the context goes).
    void release();

private:
    Skybox();
};

// Faces in the order +X, -X, +Y, -Y, +Z, -Z. A face that does not decode is left empty.
// Returns a new texture name, the caller's to own.
unsigned int loadCubeMapFaces(std::vector<std::string> faces);

// Draws the sky with depth function GL_LEQUAL and leaves GL_LESS.
void renderSkybox(Skybox& skybox, float factor);

// The 36 sky-cube positions and the 36 unit-cube (position, normal) vertices.
extern const float skyboxVertices[36 * 3];
extern const float cubeVertices[36 * 6];
