#pragma once
// The passes that draw the Assimp models: the spinning collectibles with the escape marker, and
// the animated thief. Both light their models with the sun and the directional light's colour.
#include <array>
#include <memory>
#include <string>

#include <glm/glm.hpp>

#include "renderer/Model.h"

#include <vector>

class Camera;
class PlayerModel;
class Shader;

// The three collectibles and the escape marker (the compass), with their program and spin.
class Artifacts {
public:
    static constexpr int slotCount = 5;
    static constexpr int compassSlot = 4;  // slot 3 stays empty

    // The one Artifacts, made with its models loaded on the first call.
    static Artifacts& getInstance();

    // Empty models; nothing is read (loadModels does that).
    Artifacts() = default;

    Artifacts(const Artifacts&) = delete;
    Artifacts& operator=(const Artifacts&) = delete;

    // Slots 0, 1, 2 and 4 from "<directory>/bagOfGold/bagOfGold.obj", ".../treasureChest/...",
    // ".../treasureMap/..." and ".../compass/...", opened relative to the working directory. A
    // file that does not import leaves its slot empty. `upload` false makes no OpenGL call.
    void loadModels(const std::string& directory = "../assets/models", bool upload = true);

    // Gives back the models' OpenGL names and this object's share of the program (shutdown).
    void release();

    std::shared_ptr<Shader> shader;
    std::array<Model, slotCount> models;
    float spinAngle = 0.0f;    // degrees, within [0, 360)
    float frameDelta = 0.0f;   // seconds, the last frame's step
    float spinSpeed = 25.0f;   // degrees per second
};

// Draws every collectible still present, and the compass once all are taken.
void renderArtifacts(Artifacts& artifacts);

// Draws the thief at the character controller's position; on an update tick (not during the
// environment capture) it uploads the bone matrices of the step just taken.
void renderPlayer(PlayerModel& model);

// ---- the numbers the passes draw with -----------------------------------------------------

// The brightness setting's 0.1 to 10 mapped linearly onto the programs' 0.4 to 1.0.
float modelBrightness(float brightnessSetting);

// The spin after a frame of `delta` seconds, wrapped into [0, 360).
float advanceSpin(float spinAngle, float delta, float spinSpeed);

// Model matrix of collectible slot 0, 1, 2 or the compass (4) at `position` (as stored: no axis
// negated) and spin `spinAngle` degrees; the identity for slot 3.
glm::mat4 artifactModelMatrix(int slot, const glm::vec3& position, float spinAngle);

// "shininess" of a slot's model.
float artifactShininess(int slot);

// Where the thief is drawn: (x, y - 0.9, -z) of the controller's physics-space position, but
// never above y = -2.24 (a jump shows in the clip, in place).
glm::vec3 playerDrawPosition(const glm::vec3& controllerPosition);

// The thief's model matrix at the controller's position, turned by the player's yaw (degrees).
glm::mat4 playerModelMatrix(const glm::vec3& controllerPosition, float yawDegrees);

// The matrix that carries a model's normals into world space (the inverse transpose of the
// model matrix's upper 3 x 3), sent once per draw as "normalMatrix" instead of being inverted
// for every vertex.
glm::mat3 normalMatrixFor(const glm::mat4& model);

// The camera's eye in render space: the camera keeps it in physics space (z negated).
glm::vec3 cameraEyeRenderSpace(const glm::vec3& cameraPosition);

// The projection every 3D pass draws with, made afresh from the camera's field of view and
// aspect ratio: near plane 0.1, far plane 250.
glm::mat4 passProjection(const Camera& camera);

// Loads `matrices` (at most 100) into the animated program's "finalBonesMatrices" from element
// 0 on, with one call; the program is made current.
void uploadBoneMatrices(Shader& shader, const std::vector<glm::mat4>& matrices);

// Front faces for the scene seen through `view`. The meshes wind counter-clockwise seen from
// the side that faces out (the sky's from inside), but the game's views mirror the scene (their
// rows right, up and front make a left-handed frame), so those sides reach the screen clockwise:
// clockwise is front then, and culling (F2) drops the faces turned away from the camera. Screen-
// space draws (text, images, the flare) and the camera-facing particles stay counter-clockwise.
void setFrontFaceForView(const glm::mat4& view);
