#include "renderer/Skybox.h"

#include <iostream>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <stb_image.h>

#include "framework/Shader.h"
#include "state/Camera.h"
#include "platform/gl/GL.h"
#include "renderer/ModelPasses.h"

const float skyboxVertices[36 * 3] = {
    -1, 1,  -1, -1, -1, -1, 1,  -1, -1, 1,  -1, -1, 1,  1,  -1, -1, 1,  -1,  // z = -1
    -1, -1, 1,  -1, -1, -1, -1, 1,  -1, -1, 1,  -1, -1, 1,  1,  -1, -1, 1,   // x = -1
    1,  -1, -1, 1,  -1, 1,  1,  1,  1,  1,  1,  1,  1,  1,  -1, 1,  -1, -1,  // x = +1
    -1, -1, 1,  -1, 1,  1,  1,  1,  1,  1,  1,  1,  1,  -1, 1,  -1, -1, 1,   // z = +1
    -1, 1,  -1, 1,  1,  -1, 1,  1,  1,  1,  1,  1,  -1, 1,  1,  -1, 1,  -1,  // y = +1
    -1, -1, -1, -1, -1, 1,  1,  -1, -1, 1,  -1, -1, -1, -1, 1,  1,  -1, 1,   // y = -1
};

#define QV_FACE_XY(z, nz)                                                                      \
    -0.5f, -0.5f, z, 0, 0, nz, 0.5f, -0.5f, z, 0, 0, nz, 0.5f, 0.5f, z, 0, 0, nz, 0.5f, 0.5f, z, \
        0, 0, nz, -0.5f, 0.5f, z, 0, 0, nz, -0.5f, -0.5f, z, 0, 0, nz
#define QV_FACE_YZ(x, nx)                                                                      \
    x, 0.5f, 0.5f, nx, 0, 0, x, 0.5f, -0.5f, nx, 0, 0, x, -0.5f, -0.5f, nx, 0, 0, x, -0.5f,      \
        -0.5f, nx, 0, 0, x, -0.5f, 0.5f, nx, 0, 0, x, 0.5f, 0.5f, nx, 0, 0
#define QV_FACE_XZ(y, ny)                                                                      \
    -0.5f, y, -0.5f, 0, ny, 0, 0.5f, y, -0.5f, 0, ny, 0, 0.5f, y, 0.5f, 0, ny, 0, 0.5f, y, 0.5f, \
        0, ny, 0, -0.5f, y, 0.5f, 0, ny, 0, -0.5f, y, -0.5f, 0, ny, 0

const float cubeVertices[36 * 6] = {
    QV_FACE_XY(-0.5f, -1), QV_FACE_XY(0.5f, 1),  QV_FACE_YZ(-0.5f, -1),
    QV_FACE_YZ(0.5f, 1),   QV_FACE_XZ(-0.5f, -1), QV_FACE_XZ(0.5f, 1),
};

#undef QV_FACE_XY
#undef QV_FACE_YZ
#undef QV_FACE_XZ

unsigned int loadCubeMapFaces(std::vector<std::string> faces) {
    unsigned int texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    for (unsigned int i = 0; i < faces.size() && i < 6; ++i) {
        int width = 0, height = 0, channels = 0;
        // Always three bytes a pixel, whatever the file stores; rows packed tightly.
        unsigned char* data = stbi_load(faces[i].c_str(), &width, &height, &channels, 3);
        if (data) {
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, 0, GL_RGB, width, height, 0, GL_RGB,
                         GL_UNSIGNED_BYTE, data);
            glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
        } else {
            std::cout << "Cubemap texture failed to load at path: " << faces[i] << std::endl;
        }
        stbi_image_free(data);
    }
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    return texture;
}

Skybox::Skybox() {
    const std::string dir = "../assets/textures/skybox/";
    cubemapTexture = GlTexture(loadCubeMapFaces({dir + "right.jpg", dir + "left.jpg", dir + "top.jpg",
                                                 dir + "bottom.jpg", dir + "front.jpg", dir + "back.jpg"}));

    cubeVao = GlVertexArray::generate();
    cubeVbo = GlBuffer::generate();
    glBindVertexArray(cubeVao);
    glBindBuffer(GL_ARRAY_BUFFER, cubeVbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(cubeVertices), cubeVertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float), reinterpret_cast<void*>(3 * sizeof(float)));

    skyboxVao = GlVertexArray::generate();
    skyboxVbo = GlBuffer::generate();
    glBindVertexArray(skyboxVao);
    glBindBuffer(GL_ARRAY_BUFFER, skyboxVbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof(skyboxVertices), skyboxVertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
}

Skybox* Skybox::getInstance() {
    static Skybox instance;
    static GlReleaseEntry releaseAtShutdown([] { instance.release(); });
    return &instance;
}

void Skybox::release() {
    cubeVao.release();
    skyboxVao.release();
    cubeVbo.release();
    skyboxVbo.release();
    cubemapTexture.release();
    skyboxShader.reset();
    cubeMapShader.reset();
}

void renderSkybox(Skybox& skybox, float factor) {
    if (!skybox.skyboxShader) {
        // No program yet (start-up assigns it); the pass still leaves the depth test as it promises.
        glDepthFunc(GL_LESS);
        return;
    }
    const Camera& camera = *Camera::getInstance();
    const glm::mat4 projection = passProjection(camera);
    glDepthFunc(GL_LEQUAL);
    skybox.skyboxShader->use();
    const unsigned int program = skybox.skyboxShader->program;
    // Only the rotation of the view reaches the sky: it never comes nearer.
    const glm::mat4 view = glm::mat4(glm::mat3(camera.view));
    glUniformMatrix4fv(glGetUniformLocation(program, "view"), 1, GL_FALSE, glm::value_ptr(view));
    glUniformMatrix4fv(glGetUniformLocation(program, "projection"), 1, GL_FALSE, glm::value_ptr(projection));
    glUniform1f(glGetUniformLocation(program, "colorModifierNorm"), factor);
    glBindVertexArray(skybox.skyboxVao);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, skybox.cubemapTexture);
    // The sky writes alpha 1: blended over the frame it comes out as its own colour, so it is
    // drawn with blending off, which spares reading every sample of the frame back.
    const GLboolean blending = glIsEnabled(GL_BLEND);
    glDisable(GL_BLEND);
    glDrawArrays(GL_TRIANGLES, 0, 36);
    if (blending) {
        glEnable(GL_BLEND);
    }
    glBindVertexArray(0);
    glDepthFunc(GL_LESS);
}
