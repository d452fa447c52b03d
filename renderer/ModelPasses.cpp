#include "renderer/ModelPasses.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/Player.h"
#include "state/Settings.h"
#include "renderer/DirectionalLight.h"
#include "renderer/RendererState.h"
#include "renderer/LensFlare.h"
#include "renderer/PlayerModel.h"

namespace {

constexpr float degreesToRadians = 0.017453292f;

// Uniforms sent by name at every draw, past the Shader's location cache.
void sendMatrix(GLuint program, const char* name, const glm::mat4& value) {
    glUniformMatrix4fv(glGetUniformLocation(program, name), 1, GL_FALSE, glm::value_ptr(value));
}

void sendMatrix(GLuint program, const char* name, const glm::mat3& value) {
    glUniformMatrix3fv(glGetUniformLocation(program, name), 1, GL_FALSE, glm::value_ptr(value));
}

void sendVector(GLuint program, const char* name, const glm::vec3& value) {
    glUniform3fv(glGetUniformLocation(program, name), 1, glm::value_ptr(value));
}

}  // namespace

glm::mat4 passProjection(const Camera& camera) {
    return glm::perspective(camera.fov * degreesToRadians, camera.aspect, 0.1f, 250.0f);
}

void uploadBoneMatrices(Shader& shader, const std::vector<glm::mat4>& matrices) {
    if (matrices.empty()) {
        return;
    }
    shader.use();
    const std::size_t count = std::min<std::size_t>(matrices.size(), Animator::boneMatrixCount);
    glUniformMatrix4fv(shader.getUniformLocation("finalBonesMatrices"), static_cast<GLsizei>(count), GL_FALSE,
                       glm::value_ptr(matrices.front()));
}

// ---- Artifacts ----------------------------------------------------------------------------

Artifacts& Artifacts::getInstance() {
    static Artifacts* instance = [] {
        static Artifacts artifacts;
        artifacts.loadModels();
        static GlReleaseEntry releaseAtShutdown([] { artifacts.release(); });
        return &artifacts;
    }();
    return *instance;
}

void Artifacts::loadModels(const std::string& directory, bool upload) {
    const char* names[slotCount] = {"bagOfGold", "treasureChest", "treasureMap", nullptr, "compass"};
    for (int slot = 0; slot < slotCount; ++slot) {
        if (names[slot] == nullptr) {
            continue;
        }
        const std::string name = names[slot];
        Model loaded;
        loaded.load(directory + "/" + name + "/" + name + ".obj", upload);
        models[static_cast<std::size_t>(slot)] = std::move(loaded);
    }
}

void Artifacts::release() {
    for (Model& model : models) {
        model.release();
    }
    shader.reset();
}

// ---- pure helpers -------------------------------------------------------------------------

float modelBrightness(float brightnessSetting) {
    return (brightnessSetting - 0.1f) / 9.9f * 0.6f + 0.4f;
}

float advanceSpin(float spinAngle, float delta, float spinSpeed) {
    float angle = std::fmod(spinAngle + delta * spinSpeed, 360.0f);
    if (angle < 0.0f) {
        angle += 360.0f;
    }
    return angle;
}

glm::mat4 artifactModelMatrix(int slot, const glm::vec3& position, float spinAngle) {
    const glm::mat4 identity(1.0f);
    const float spin = spinAngle * degreesToRadians;
    switch (slot) {
        case 0:  // the bag of gold, a z-up model
            return glm::rotate(glm::rotate(glm::scale(glm::translate(identity, position), glm::vec3(0.06f)),
                                           4.712389f, glm::vec3(1.0f, 0.0f, 0.0f)),
                               spin, glm::vec3(0.0f, 0.0f, 1.0f));
        case 1:  // the treasure chest, a z-up model
            return glm::rotate(glm::rotate(glm::scale(glm::translate(identity, position), glm::vec3(0.012f)),
                                           270.0f * degreesToRadians, glm::vec3(1.0f, 0.0f, 0.0f)),
                               spin, glm::vec3(0.0f, 0.0f, 1.0f));
        case 2:  // the map, spun about y after its quarter turn about z
            return glm::rotate(glm::rotate(glm::scale(glm::translate(identity, position), glm::vec3(0.08f)), spin,
                                           glm::vec3(0.0f, 1.0f, 0.0f)),
                               1.570796f, glm::vec3(0.0f, 0.0f, 1.0f));
        case Artifacts::compassSlot:  // twice the collectibles' spin
            return glm::rotate(glm::scale(glm::translate(identity, position), glm::vec3(0.09f)), 2.0f * spin,
                               glm::vec3(0.0f, 1.0f, 0.0f));
        default:
            return identity;
    }
}

float artifactShininess(int slot) {
    switch (slot) {
        case 0:
            return 14.0f;
        case 1:
            return 15.0f;
        default:
            return 0.0f;
    }
}

glm::vec3 playerDrawPosition(const glm::vec3& controllerPosition) {
    glm::vec3 t(controllerPosition.x, controllerPosition.y - 0.9f, -controllerPosition.z);
    if (t.y > -2.24f) {
        t.y = -2.24f;
    }
    return t;
}

glm::mat4 playerModelMatrix(const glm::vec3& controllerPosition, float yawDegrees) {
    glm::mat4 m = glm::translate(glm::mat4(1.0f), playerDrawPosition(controllerPosition));
    m = glm::scale(m, glm::vec3(1.2f));
    return glm::rotate(m, (yawDegrees + 90.0f) * degreesToRadians, glm::vec3(0.0f, 1.0f, 0.0f));
}

glm::mat3 normalMatrixFor(const glm::mat4& model) {
    return glm::mat3(glm::transpose(glm::inverse(glm::dmat4(model))));
}

glm::vec3 cameraEyeRenderSpace(const glm::vec3& cameraPosition) {
    return glm::vec3(cameraPosition.x, cameraPosition.y, -cameraPosition.z);
}

void setFrontFaceForView(const glm::mat4& view) {
    glFrontFace(glm::determinant(glm::mat3(view)) < 0.0f ? GL_CW : GL_CCW);
}

// ---- the passes ---------------------------------------------------------------------------

void renderArtifacts(Artifacts& artifacts) {
    artifacts.frameDelta = static_cast<float>(GameState::getInstance()->delta);
    artifacts.spinAngle = advanceSpin(artifacts.spinAngle, artifacts.frameDelta, artifacts.spinSpeed);
    if (!artifacts.shader) {
        return;  // no program yet: start-up assigns it
    }
    Shader& shader = *artifacts.shader;
    const Camera& camera = *Camera::getInstance();
    shader.use();
    sendMatrix(shader.program, "projection", passProjection(camera));
    sendMatrix(shader.program, "view", camera.view);
    shader.setUniform("brightness", modelBrightness(brightness));
    sendVector(shader.program, "lightPos", sunRenderPosition);  // the sun the lens flare follows
    // The highlights are computed in render space, where the models are drawn.
    sendVector(shader.program, "viewPos", cameraEyeRenderSpace(camera.position));
    sendVector(shader.program, "lightColor", dirL.color);

    auto drawSlot = [&](int slot, const glm::vec3& position) {
        const glm::mat4 modelMatrix = artifactModelMatrix(slot, position, artifacts.spinAngle);
        sendMatrix(shader.program, "model", modelMatrix);
        sendMatrix(shader.program, "normalMatrix", normalMatrixFor(modelMatrix));
        shader.setUniform("shininess", artifactShininess(slot));
        artifacts.models[static_cast<std::size_t>(slot)].draw(artifacts.shader);
    };
    for (int i = 0; i < artifactCount; ++i) {
        if (artifactPresent[static_cast<std::size_t>(i)]) {
            drawSlot(i, artifactPositions[static_cast<std::size_t>(i)]);
        }
    }
    if (allArtifactsCollected) {
        drawSlot(Artifacts::compassSlot, compassPosition);
    }
}

void renderPlayer(PlayerModel& model) {
    // The frame pass has advanced the animation on this tick (animatePlayer).
    const bool animate = updateTick && !renderingCubemap;
    Player& player = *Player::getInstance();
    if (!model.shader) {
        return;  // no program yet: start-up assigns it
    }
    Shader& shader = *model.shader;
    const Camera& camera = *Camera::getInstance();
    shader.use();
    sendMatrix(shader.program, "projection", passProjection(camera));
    sendMatrix(shader.program, "view", camera.view);
    sendVector(shader.program, "lightColor", dirL.color);
    shader.setUniform("brightness", modelBrightness(brightness));
    sendVector(shader.program, "lightPos", sunRenderPosition);
    sendVector(shader.program, "viewPos", cameraEyeRenderSpace(camera.position));
    const glm::mat4 modelMatrix = playerModelMatrix(player.position, player.yaw);
    sendMatrix(shader.program, "model", modelMatrix);
    sendMatrix(shader.program, "normalMatrix", normalMatrixFor(modelMatrix));

    // Only on update ticks: between them the program keeps the last matrices.
    if (animate) {
        uploadBoneMatrices(shader, model.boneMatrices);
    }
    model.model.draw(model.shader);
}
