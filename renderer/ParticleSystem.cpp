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
    : shader(std::move(shaderProgram)),
      simulation(systemType),
      visiblePositionSize(new float[MaxParticles * 4]()),
      visibleColor(new unsigned char[MaxParticles * 4]()) {
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
    advance();
    draw(infoPoint);
}

void ParticleSystem::advance() {
    if (!shader) {
        return;
    }
    const Camera& camera = *Camera::getInstance();
    simulation.advance(updateTick, introActive, GameState::getInstance()->particleDt, camera.position);
}

void ParticleSystem::draw(float infoPoint) {
    if (!shader) {
        return;
    }
    const Camera& camera = *Camera::getInstance();
    shader->use();
    glBindVertexArray(vao);
    const glm::mat4 view = camera.view;
    const glm::mat4 viewProj = camera.projection * camera.view;
    const glm::vec3 right(view[0][0], view[1][0], view[2][0]);
    const glm::vec3 up(view[0][1], view[1][1], view[2][1]);

    if (!uploaded || uploadedVersion != simulation.streamsVersion || uploadedViewProj != viewProj ||
        uploadedRight != right || uploadedUp != up) {
        visibleCount = copyInstancesInView(simulation, viewProj, right, up, visiblePositionSize.get(),
                                           visibleColor.get());
        glBindBuffer(GL_ARRAY_BUFFER, positionSizeVbo);
        glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4 * sizeof(float), nullptr, GL_STREAM_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, visibleCount * 4 * sizeof(float), visiblePositionSize.get());
        glBindBuffer(GL_ARRAY_BUFFER, colorVbo);
        glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4, nullptr, GL_STREAM_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, visibleCount * 4, visibleColor.get());
        uploaded = true;
        uploadedVersion = simulation.streamsVersion;
        uploadedViewProj = viewProj;
        uploadedRight = right;
        uploadedUp = up;
    }

    glActiveTexture(GL_TEXTURE0);
    if (texture) {
        glBindTexture(GL_TEXTURE_2D, texture->handle);
    }
    glUniform1i(particleTextureLocation, 0);
    glUniform3f(camRightLocation, right.x, right.y, right.z);
    glUniform3f(camUpLocation, up.x, up.y, up.z);
    glUniformMatrix4fv(viewProjLocation, 1, GL_FALSE, glm::value_ptr(viewProj));
    glUniform1f(infoPointLocation, infoPoint);

    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glEnableVertexAttribArray(2);
    glVertexAttribDivisor(0, 0);
    glVertexAttribDivisor(1, 1);
    glVertexAttribDivisor(2, 1);
    glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, visibleCount);
    glDisableVertexAttribArray(0);
    glDisableVertexAttribArray(1);
    glDisableVertexAttribArray(2);
    glBindVertexArray(0);
}
