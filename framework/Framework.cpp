#include "framework/Framework.h"

#include <GLFW/glfw3.h>

#include "framework/FrameworkState.h"
#include "framework/GlLifetime.h"
#include "framework/TeapotData.h"
#include "platform/gl/GlewLoader.h"
#include "platform/system/Console.h"

std::unique_ptr<Shader> defaultShader;
GlVertexArray teapotVAO;
GlBuffer teapotVBO;
GlBuffer teapotEBO;
std::uint32_t teapotIndexCount = 0;

bool initFramework() {
    if (glfwGetCurrentContext() == nullptr) {
        consoleLine("No context available. Exiting.");
        return false;
    }
    if (!glew::hasVersion30()) {
        consoleLine("GLEW not available. Exiting.");
        return false;
    }
    setGlContextAlive(true);

    GLint currentProgram = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &currentProgram);
    if (currentProgram == 0) {
        defaultShader = std::make_unique<Shader>();
        defaultShader->use();
    }

    createTeapotMesh();
    return true;
}

void destroyFramework() {
    releaseGlObjects();
    teapotVBO.release();
    teapotEBO.release();
    teapotVAO.release();
    defaultShader.reset();
    // glfwTerminate follows: from here on no destructor may touch OpenGL.
    setGlContextAlive(false);
}

void createTeapotMesh() {
    const TeapotGeometry geometry = buildTeapotGeometry();
    teapotIndexCount = static_cast<std::uint32_t>(geometry.indices.size());

    teapotVAO = GlVertexArray::generate();
    glBindVertexArray(teapotVAO);

    teapotVBO = GlBuffer::generate();
    glBindBuffer(GL_ARRAY_BUFFER, teapotVBO);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(geometry.positions.size() * sizeof(glm::vec3)),
                 geometry.positions.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);

    teapotEBO = GlBuffer::generate();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, teapotEBO);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(geometry.indices.size() * sizeof(std::uint32_t)),
                 geometry.indices.data(), GL_STATIC_DRAW);

    // The vertex array first, so that it keeps its element buffer.
    glBindVertexArray(0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}
