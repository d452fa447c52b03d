#include "renderer/EnvironmentMap.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "state/GlobalState.h"
#include "state/Settings.h"
#include "platform/gl/GL.h"
#include "renderer/DirectionalLight.h"
#include "renderer/LevelMeshes.h"
#include "renderer/ModelPasses.h"
#include "renderer/PlayerModel.h"
#include "renderer/Skybox.h"

namespace {
constexpr int cubeMapSize = 512;
}

CubeMap createEmptyCubeMap() {
    CubeMap map;
    map.id = GlTexture::generate();
    glBindTexture(GL_TEXTURE_CUBE_MAP, map.id);
    for (unsigned int i = 0; i < 6; ++i) {
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_RGB, cubeMapSize, cubeMapSize, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, nullptr);
    }
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    map.size = cubeMapSize;
    return map;
}

EnvironmentMap::EnvironmentMap() {
    cubeMap = createEmptyCubeMap();
    skybox = Skybox::getInstance();
    fbo = GlFramebuffer::generate();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    rbo = GlRenderbuffer::generate();
    glBindRenderbuffer(GL_RENDERBUFFER, rbo);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, cubeMap.size, cubeMap.size);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, rbo);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

EnvironmentMap* EnvironmentMap::getInstance() {
    static EnvironmentMap instance;
    static GlReleaseEntry releaseAtShutdown([] { instance.release(); });
    return &instance;
}

void EnvironmentMap::release() {
    fbo.release();
    rbo.release();
    cubeMap.id.release();
}

CaptureAngles captureAngles(int face) {
    static const CaptureAngles angles[6] = {
        {180.0f, 0.0f}, {0.0f, 0.0f}, {180.0f, -90.0f}, {180.0f, 90.0f}, {90.0f, 0.0f}, {-90.0f, 0.0f},
    };
    return angles[face];
}

glm::mat4 captureViewMatrix(const glm::vec3& storedRight, const glm::vec3& storedUp, const glm::vec3& front) {
    // Rows: the stored right and up exactly as updateVectors left them (that is -right and -up
    // of the face table), then front. The cube-map shader's lookup relies on this orientation:
    // the screen's x axis is -right and its y axis -up. glm is column-major.
    glm::mat4 view(1.0f);
    for (int column = 0; column < 3; ++column) {
        view[column][0] = storedRight[column];
        view[column][1] = storedUp[column];
        view[column][2] = front[column];
    }
    return view;
}

void renderEnvironmentMap(EnvironmentMap& environmentMap, std::shared_ptr<Shader> textureShader,
                          const glm::vec3& gammaValue) {
    Camera& camera = *Camera::getInstance();
    PlayerModel& playerModel = *PlayerModel::getInstance();
    camera.savedYaw = camera.yaw;
    camera.savedPitch = camera.pitch;
    camera.savedAspect = camera.aspect;
    camera.savedFront = camera.front;
    camera.savedUp = camera.up;
    camera.fov = 90.0f;
    camera.aspect = 1.0f;

    glBindFramebuffer(GL_FRAMEBUFFER, environmentMap.fbo);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, environmentMap.cubeMap.size, environmentMap.cubeMap.size);
    for (int i = 0; i < 6; ++i) {
        renderingCubemap = true;
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_CUBE_MAP_POSITIVE_X + i,
                               environmentMap.cubeMap.id, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const CaptureAngles angles = captureAngles(i);
        camera.yaw = angles.yaw;
        camera.pitch = angles.pitch;
        camera.updateVectors();
        camera.view = captureViewMatrix(camera.right, camera.up, camera.front);
        setLightUniforms(*textureShader, gammaValue);
        renderSkybox(*environmentMap.skybox, 1.0f - blendFactor);
        renderPlayer(playerModel);
        drawLevelMeshes(textureShader);
        drawSunMesh(textureShader);
    }
    renderingCubemap = false;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, currentWidth, currentHeight);
    camera.yaw = camera.savedYaw;
    camera.pitch = camera.savedPitch;
    camera.aspect = camera.savedAspect;
    camera.front = camera.savedFront;
    camera.up = camera.savedUp;
    camera.fov = 45.0f;
}

void renderReflectiveCube(Skybox& skybox, unsigned int texture) {
    if (!skybox.cubeMapShader) {
        return;
    }
    const Camera& camera = *Camera::getInstance();
    const glm::mat4 projection = glm::perspective(camera.fov * 0.017453292f, camera.aspect, 0.1f, 250.0f);
    skybox.cubeMapShader->use();
    const unsigned int program = skybox.cubeMapShader->program;
    // 0.75 on all four diagonal entries: w is scaled too, so the cube appears with edge 1.
    glm::mat4 model(0.0f);
    model[0][0] = model[1][1] = model[2][2] = model[3][3] = 0.75f;
    glUniformMatrix4fv(glGetUniformLocation(program, "model"), 1, GL_FALSE, glm::value_ptr(model));
    const glm::mat3 normalMatrix = normalMatrixFor(model);
    glUniformMatrix3fv(glGetUniformLocation(program, "normalMatrix"), 1, GL_FALSE, glm::value_ptr(normalMatrix));
    glUniformMatrix4fv(glGetUniformLocation(program, "view"), 1, GL_FALSE, glm::value_ptr(camera.view));
    glUniformMatrix4fv(glGetUniformLocation(program, "projection"), 1, GL_FALSE, glm::value_ptr(projection));
    // The camera keeps its position in physics space (z negated); the reflection needs the eye
    // where the view matrix puts it, in render space.
    const glm::vec3 eye(camera.position.x, camera.position.y, -camera.position.z);
    glUniform3fv(glGetUniformLocation(program, "cameraPos"), 1, glm::value_ptr(eye));
    glBindVertexArray(skybox.cubeVao);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    glDrawArrays(GL_TRIANGLES, 0, 36);
    glBindVertexArray(0);
}
