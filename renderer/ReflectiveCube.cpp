#include "renderer/ReflectiveCube.h"

#include <glm/mat3x3.hpp>
#include <glm/mat4x4.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "platform/gl/GL.h"
#include "renderer/ModelPasses.h"
#include "renderer/Skybox.h"

void renderReflectiveCube(Skybox& skybox, unsigned int texture) {
    if (!skybox.cubeMapShader) {
        return;
    }
    const Camera& camera = *Camera::getInstance();
    const glm::mat4 projection = passProjection(camera);
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
    // The cube's faces wind one way on some sides and the other way on the rest, so no winding
    // tells its back faces; closed and convex, it hides them behind its front faces anyway.
    const bool culling = glIsEnabled(GL_CULL_FACE) == GL_TRUE;
    if (culling) {
        glDisable(GL_CULL_FACE);
    }
    glDrawArrays(GL_TRIANGLES, 0, 36);
    if (culling) {
        glEnable(GL_CULL_FACE);
    }
    glBindVertexArray(0);
}
