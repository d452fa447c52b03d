#pragma once
// The capture of the mirror cube's surroundings: after every fixed step of the running game the
// scene is captured into the six faces of the environment map from the origin.
//
// A capture is recorded at the step (the light, sky and gamma of that moment, the thief as he
// stood and the render state) and each face is drawn from the record only when a frame can show
// it: a face the mirror cannot sample on this frame keeps its redraw owed, with what it depends
// on, until one can. Faces are also drawn again only when something they show may have changed
// since they were last drawn: the light and sky (blendFactor), gamma, the render state the
// draws depend on, or the thief, whose bounds reach the face now or reached it then (so his old
// image is painted over). When only the thief has changed, the face is drawn again only inside
// the rectangle his bounds cover now and covered then: every texel outside it already holds what
// a whole draw would give it. drawEveryPassInFull (state/GlobalState.h) draws every owed face
// whole instead, in the plain order: the sky first, then the thief, the level and the sun over
// it (the game draws the thief and the level before the sky, so that the sky is shaded only
// where nothing covers it); the checks of the skipping compare with that.
#include <array>
#include <memory>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "renderer/EnvironmentMap.h"
#include "renderer/ThiefBounds.h"

class Shader;

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

// The capture after a fixed step: records what it draws (CaptureScene) and owes every face.
// Draws nothing.
void recordEnvironmentCapture(EnvironmentMap& environmentMap, std::shared_ptr<Shader> textureShader,
                              const glm::vec3& gammaValue);

// Draws the owed faces among `faces` (bit i: face i) from the recorded scene, each only where
// its texels may have changed since it was last drawn, into the cube map the mirror samples.
// Sets and restores what it needs (depth test, render state, camera, viewport, framebuffer).
void drawEnvironmentFaces(EnvironmentMap& environmentMap, unsigned int faces);

// A capture drawn at once: recordEnvironmentCapture, then every owed face.
void renderEnvironmentMap(EnvironmentMap& environmentMap, std::shared_ptr<Shader> textureShader,
                          const glm::vec3& gammaValue);

// Which owed faces are drawn again, and where: decided before anything is drawn.
struct FaceRedraw {
    bool draw = false;
    TexelRect region;  // the texels drawn and copied: the whole face unless only the thief changed
};
struct FaceRedrawPlan {
    std::array<FaceRedraw, 6> faces{};
    std::array<EnvironmentMap::FaceRecord, 6> records{};  // the face records once the plan is drawn
    unsigned int drawn = 0;                              // bit i: faces[i].draw
};
// For the `owed` faces (bit i: face i) with their `records`, the scene's `inputs` and where the
// thief reaches each face now: a face is drawn when its inputs changed, the thief reaches it now
// or reached it when it was last drawn, or `everyFaceWhole`; it is drawn whole unless only the
// thief changed and no scissor was on (`scissorWasOn` would clip the draw's own). Faces of
// `size` texels on a side.
FaceRedrawPlan planFaceRedraws(unsigned int owed, const std::array<EnvironmentMap::FaceRecord, 6>& records,
                               const EnvironmentMap::CaptureInputs& inputs,
                               const std::array<ThiefFootprint, 6>& thiefNow, bool everyFaceWhole, bool scissorWasOn,
                               int size);
