#include "renderer/ParticleSystem.h"

#include <glm/gtc/type_ptr.hpp>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "platform/gl/GL.h"
#include "renderer/TextureDXT5.h"

namespace {
const float particleQuad[12] = {-0.5f, -0.5f, 0.0f, 0.5f, -0.5f, 0.0f, -0.5f, 0.5f, 0.0f, 0.5f, 0.5f, 0.0f};
}  // namespace

ParticleSystem::ParticleSystem(std::shared_ptr<Shader> shaderProgram, int systemType)
    : shader(std::move(shaderProgram)), simulation(systemType) {
    texture = std::make_shared<TextureDXT5>(texturePath);
    vao = GlVertexArray::generate();
    glBindVertexArray(vao);
    if (shader) {
        const unsigned int program = shader->program;
        camRightLocation = glGetUniformLocation(program, "camRightWS");
        camUpLocation = glGetUniformLocation(program, "camUpWS");
        viewProjLocation = glGetUniformLocation(program, "particleVP");
        infoPointLocation = glGetUniformLocation(program, "infoPointNorm");
        particleTextureLocation = glGetUniformLocation(program, "particleTexture");
    }
    quadVbo = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, quadVbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(particleQuad), particleQuad, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    positionSizeVbo = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, positionSizeVbo);
    glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4 * sizeof(float), nullptr, GL_STREAM_DRAW);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    colorVbo = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, colorVbo);
    glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4, nullptr, GL_STREAM_DRAW);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, 0, nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

ParticleSystem::~ParticleSystem() {
    release();
}

void ParticleSystem::release() {
    quadVbo.release();
    positionSizeVbo.release();
    colorVbo.release();
    vao.release();
    shader.reset();
    texture.reset();
}

void ParticleSystem::updateAndDraw(float infoPoint) {
    if (!shader) {
        return;
    }
    const Camera& camera = *Camera::getInstance();
    const GameState& state = *GameState::getInstance();
    shader->use();
    glBindVertexArray(vao);
    const glm::mat4 view = camera.view;
    const glm::vec3 cameraPosition = camera.position;
    const glm::mat4 viewProj = camera.projection * camera.view;
    simulation.advance(updateTick, introActive, state.particleDt, cameraPosition);
    const int aliveCount = simulation.aliveCount;

    glBindBuffer(GL_ARRAY_BUFFER, positionSizeVbo);
    glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4 * sizeof(float), nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, aliveCount * 4 * sizeof(float), simulation.positionSizeData.get());
    glBindBuffer(GL_ARRAY_BUFFER, colorVbo);
    glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4, nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, aliveCount * 4, simulation.colorData.get());

    glActiveTexture(GL_TEXTURE0);
    if (texture) {
        glBindTexture(GL_TEXTURE_2D, texture->handle);
    }
    glUniform1i(particleTextureLocation, 0);
    glUniform3f(camRightLocation, view[0][0], view[1][0], view[2][0]);
    glUniform3f(camUpLocation, view[0][1], view[1][1], view[2][1]);
    glUniformMatrix4fv(viewProjLocation, 1, GL_FALSE, glm::value_ptr(viewProj));
    glUniform1f(infoPointLocation, infoPoint);

    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glEnableVertexAttribArray(2);
    glVertexAttribDivisor(0, 0);
    glVertexAttribDivisor(1, 1);
    glVertexAttribDivisor(2, 1);
    glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, aliveCount);
    glDisableVertexAttribArray(0);
    glDisableVertexAttribArray(1);
    glDisableVertexAttribArray(2);
    glBindVertexArray(0);
}
