#include "renderer/ParticleSystem.h"

#include <cstring>
#include <vector>

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
      visibleColor(new unsigned char[MaxParticles * 4]()),
      vertexPositionSize(new float[MaxParticles * 4 * 4]()),
      vertexColor(new unsigned char[MaxParticles * 4 * 4]()) {
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
    {
        // Start-up only: the corners of every quad and the strip's two triangles, (0 1 2) and
        // (2 1 3), so the triangles and their order match a four-vertex strip per quad.
        std::vector<float> corners(MaxParticles * sizeof(particleQuad) / sizeof(float));
        std::vector<unsigned short> indices(MaxParticles * 6);
        static_assert(MaxParticles * 4 <= 65536, "quad vertices must fit 16-bit indices");
        for (int quad = 0; quad < MaxParticles; ++quad) {
            std::memcpy(&corners[quad * 12], particleQuad, sizeof(particleQuad));
            const unsigned short first = static_cast<unsigned short>(quad * 4);
            const unsigned short strip[6] = {0, 1, 2, 2, 1, 3};
            for (int i = 0; i < 6; ++i) {
                indices[quad * 6 + i] = static_cast<unsigned short>(first + strip[i]);
            }
        }
        glBufferData(GL_ARRAY_BUFFER, corners.size() * sizeof(float), corners.data(), GL_STATIC_DRAW);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
        quadEbo = GlBuffer::generate();
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quadEbo);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, indices.size() * sizeof(unsigned short), indices.data(),
                     GL_STATIC_DRAW);
    }
    positionSizeVbo = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, positionSizeVbo);
    glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4 * 4 * sizeof(float), nullptr, GL_STREAM_DRAW);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
    colorVbo = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, colorVbo);
    glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4 * 4, nullptr, GL_STREAM_DRAW);
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, 0, nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

ParticleSystem::~ParticleSystem() {
    release();
}

void ParticleSystem::release() {
    quadVbo.release();
    quadEbo.release();
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
        uploadedRight != right || uploadedUp != up || drawEveryPassInFull) {
        if (drawEveryPassInFull) {
            // Every live instance, in view or not.
            visibleCount = simulation.aliveCount;
            std::memcpy(visiblePositionSize.get(), simulation.positionSizeData.get(),
                        static_cast<std::size_t>(visibleCount) * 4 * sizeof(float));
            std::memcpy(visibleColor.get(), simulation.colorData.get(), static_cast<std::size_t>(visibleCount) * 4);
        } else {
            visibleCount = copyInstancesInView(simulation, viewProj, right, up, visiblePositionSize.get(),
                                               visibleColor.get());
        }
        for (int quad = 0; quad < visibleCount; ++quad) {
            for (int corner = 0; corner < 4; ++corner) {
                std::memcpy(&vertexPositionSize[(quad * 4 + corner) * 4], &visiblePositionSize[quad * 4],
                            4 * sizeof(float));
                std::memcpy(&vertexColor[(quad * 4 + corner) * 4], &visibleColor[quad * 4], 4);
            }
        }
        glBindBuffer(GL_ARRAY_BUFFER, positionSizeVbo);
        glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4 * 4 * sizeof(float), nullptr, GL_STREAM_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, visibleCount * 4 * 4 * sizeof(float), vertexPositionSize.get());
        glBindBuffer(GL_ARRAY_BUFFER, colorVbo);
        glBufferData(GL_ARRAY_BUFFER, MaxParticles * 4 * 4, nullptr, GL_STREAM_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, visibleCount * 4 * 4, vertexColor.get());
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
    glDrawElements(GL_TRIANGLES, visibleCount * 6, GL_UNSIGNED_SHORT, nullptr);
    glDisableVertexAttribArray(0);
    glDisableVertexAttribArray(1);
    glDisableVertexAttribArray(2);
    glBindVertexArray(0);
}
