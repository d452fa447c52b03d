#pragma once
// The mirror cube at the world origin, drawn reflecting the environment map.

class Skybox;

// Draws the cube (edge 1 on screen, centred on the origin) sampling the given cube map, with the
// skybox's cube geometry and mirror program, seen through the camera.
void renderReflectiveCube(Skybox& skybox, unsigned int texture);
