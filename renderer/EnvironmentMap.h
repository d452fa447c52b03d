#pragma once
// The mirror cube at the world origin: the scene is captured into the six faces of a cube map
// from the origin after every fixed step, and the cube is drawn reflecting it.
#include <memory>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "framework/GlHandle.h"

class Shader;
class Skybox;

struct CubeMap {
    GlTexture id;  // the cube-map texture
    int size = 0;  // edge length in texels
};

class EnvironmentMap {
public:
    GlFramebuffer fbo;
    GlRenderbuffer rbo;  // depth, GL_DEPTH_COMPONENT24
    CubeMap cubeMap;
    Skybox* skybox = nullptr;

    static EnvironmentMap* getInstance();

    // Gives the framebuffer, the renderbuffer and the cube-map texture back (shutdown).
    void release();

private:
    EnvironmentMap();
};

// A 512 x 512 RGB cube map without images.
CubeMap createEmptyCubeMap();

// Yaw and pitch (degrees) of the capture camera for cube face i (+X, -X, +Y, -Y, +Z, -Z).
struct CaptureAngles {
    float yaw;
    float pitch;
};
CaptureAngles captureAngles(int face);

// The capture's view of one face: rows -right, -up and front, where -right and -up are the
// vectors Camera::updateVectors stores (it keeps right and up negated), so they go in as they
// are; no translation: the eye is the origin.
glm::mat4 captureViewMatrix(const glm::vec3& storedRight, const glm::vec3& storedUp, const glm::vec3& front);

// Renders the scene into the six faces; restores the camera and the viewport afterwards.
void renderEnvironmentMap(EnvironmentMap& environmentMap, std::shared_ptr<Shader> textureShader,
                          const glm::vec3& gammaValue);

// Draws the cube (edge 1 on screen, centred on the origin) sampling the given cube map.
void renderReflectiveCube(Skybox& skybox, unsigned int texture);
