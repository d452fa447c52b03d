#include <gtest/gtest.h>

#include <GLFW/glfw3.h>

#include "framework/Framework.h"
#include "framework/GlLifetime.h"
#include "support/GlContext.h"

namespace {

using testgl::bufferSize;
using testgl::integer;

using FrameworkTest = testgl::GlTest;

}  // namespace

TEST_F(FrameworkTest, StartUpMakesTheDefaultShaderCurrentAndUploadsTheTeapot) {
    ASSERT_EQ(integer(GL_CURRENT_PROGRAM), 0);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(initFramework());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(glContextAlive());

    ASSERT_TRUE(defaultShader);
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), static_cast<GLint>(defaultShader->program));
    EXPECT_EQ(teapotIndexCount, 1728u);
    EXPECT_EQ(bufferSize(teapotVBO), 6144);
    EXPECT_EQ(bufferSize(teapotEBO), 6912);

    // The vertex array kept its element buffer; the array buffer stays bound.
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_BINDING), 0);
    EXPECT_EQ(integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0);
    EXPECT_EQ(integer(GL_ARRAY_BUFFER_BINDING), static_cast<GLint>(teapotVBO));
    glBindVertexArray(teapotVAO);
    EXPECT_EQ(integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), static_cast<GLint>(teapotEBO));
    GLint enabled = 0;
    glGetVertexAttribiv(0, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, GL_TRUE);
    glBindVertexArray(0);

    const GLuint vao = teapotVAO, vbo = teapotVBO, ebo = teapotEBO;
    destroyFramework();
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_FALSE(defaultShader);
    EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsBuffer(vbo));
    EXPECT_FALSE(glIsBuffer(ebo));
    EXPECT_FALSE(glContextAlive());
}

TEST_F(FrameworkTest, AProgramAlreadyCurrentStaysCurrentAndNoDefaultShaderIsMade) {
    const GLuint program = glCreateProgram();
    Shader other;
    other.use();
    ASSERT_TRUE(initFramework());
    EXPECT_FALSE(defaultShader);
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), static_cast<GLint>(other.program));
    EXPECT_NE(teapotVAO, 0u);
    destroyFramework();
    glDeleteProgram(program);
}

TEST_F(FrameworkTest, WithoutACurrentContextStartUpFails) {
    glfwMakeContextCurrent(nullptr);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(initFramework());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No context available. Exiting.\n");
    glfwMakeContextCurrent(context->window());
}

TEST_F(FrameworkTest, AfterTeardownDestructorsMakeNoOpenGLCall) {
    ASSERT_TRUE(initFramework());
    auto shader = std::make_unique<Shader>();
    const GLuint program = shader->program;
    destroyFramework();
    shader.reset();  // the context is marked gone: the program is simply left behind
    EXPECT_TRUE(glIsProgram(program));
    glDeleteProgram(program);
}
