#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <glm/gtc/type_ptr.hpp>

#include "support/ScratchAssets.h"
#include "framework/Shader.h"
#include "support/DeathTestIo.h"
#include "support/GlContext.h"

namespace {

const char* kUniformVertex = R"(#version 430 core
layout(location = 0) in vec3 position;
uniform mat4 m4;
uniform mat3 m3;
void main() { gl_Position = m4 * vec4(m3 * position, 1.0); }
)";

const char* kUniformFragment = R"(#version 430 core
uniform vec2 v2;
uniform vec3 v3;
uniform vec4 v4;
uniform int i1;
uniform float f1;
uniform float unused;  // declared but never read: the driver drops it
out vec4 color;
void main() { color = vec4(v2, 0.0, 0.0) + vec4(v3, 0.0) + v4 + vec4(float(i1) + f1); }
)";

// Counts the lookups and float uploads that reach OpenGL, through GLAD's function pointers.
int lookups = 0;
int floatUploads = 0;
PFNGLGETUNIFORMLOCATIONPROC realLookup = nullptr;
PFNGLUNIFORM1FPROC realUniform1f = nullptr;
GLint GLAD_API_PTR countingLookup(GLuint program, const GLchar* name) {
    ++lookups;
    return realLookup(program, name);
}
void GLAD_API_PTR countingUniform1f(GLint location, GLfloat value) {
    ++floatUploads;
    realUniform1f(location, value);
}

class ShaderTest : public testgl::GlTest {
protected:
    std::unique_ptr<Shader> makeUniformShader() {
        const std::string vert = assets.write("u.vert", kUniformVertex);
        const std::string frag = assets.write("u.frag", kUniformFragment);
        return std::make_unique<Shader>(vert, frag);
    }

    ScratchAssets assets;
};

GLint currentProgram() {
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

}  // namespace

TEST_F(ShaderTest, AProgramFromFilesPrintsOneReadLinePerStageWithTheNameAsPassed) {
    const std::string vert = assets.write("u.vert", kUniformVertex);
    const std::string frag = assets.write("u.frag", kUniformFragment);
    testing::internal::CaptureStdout();
    Shader shader(vert, frag);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Read shader: " + vert + "\nRead shader: " + frag + "\n");

    EXPECT_FALSE(shader.fromSource);
    EXPECT_EQ(shader.vertexShader, vert);
    GLint linked = GL_FALSE;
    glGetProgramiv(shader.program, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE);
    GLint attached = -1;
    glGetProgramiv(shader.program, GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(attached, 0);  // the stages were detached and deleted
    EXPECT_TRUE(shader.uniformLocations.empty());
}

TEST_F(ShaderTest, TheDefaultShaderComesFromSourceSilently) {
    EXPECT_EQ(defaultVertexShaderSource.size(), 122u);
    EXPECT_EQ(defaultFragmentShaderSource.size(), 124u);
    testing::internal::CaptureStdout();
    Shader shader;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(shader.fromSource);
    EXPECT_EQ(shader.vertexShader, defaultVertexShaderSource);
    EXPECT_EQ(glGetAttribLocation(shader.program, "position"), 0);

    shader.use();
    GLfloat color[3] = {};
    glGetUniformfv(shader.program, shader.getUniformLocation("fragColor"), color);
    EXPECT_EQ(glm::make_vec3(color), glm::vec3(1, 0, 0));
}

TEST_F(ShaderTest, EveryOverloadSendsItsValue) {
    auto shader = makeUniformShader();
    shader->use();
    const glm::mat4 m4 = glm::mat4(glm::vec4(1, 2, 3, 4), glm::vec4(5, 6, 7, 8), glm::vec4(9, 10, 11, 12),
                                   glm::vec4(13, 14, 15, 16));
    const glm::mat3 m3 = glm::mat3(glm::vec3(1, 2, 3), glm::vec3(4, 5, 6), glm::vec3(7, 8, 9));
    shader->setUniform("m4", m4);
    shader->setUniform("m3", m3);
    shader->setUniform("v2", glm::vec2(1.5f, 2.5f));
    shader->setUniform("v3", glm::vec3(1, 2, 3));
    shader->setUniform("v4", glm::vec4(4, 3, 2, 1));
    shader->setUniform("i1", 7);
    shader->setUniform("f1", 0.25f);

    GLfloat f[16] = {};
    glGetUniformfv(shader->program, shader->getUniformLocation("m4"), f);
    EXPECT_EQ(glm::make_mat4(f), m4);  // column-major, not transposed
    glGetUniformfv(shader->program, shader->getUniformLocation("m3"), f);
    EXPECT_EQ(glm::make_mat3(f), m3);
    glGetUniformfv(shader->program, shader->getUniformLocation("v2"), f);
    EXPECT_EQ(glm::make_vec2(f), glm::vec2(1.5f, 2.5f));
    glGetUniformfv(shader->program, shader->getUniformLocation("v3"), f);
    EXPECT_EQ(glm::make_vec3(f), glm::vec3(1, 2, 3));
    glGetUniformfv(shader->program, shader->getUniformLocation("v4"), f);
    EXPECT_EQ(glm::make_vec4(f), glm::vec4(4, 3, 2, 1));
    GLint i = 0;
    glGetUniformiv(shader->program, shader->getUniformLocation("i1"), &i);
    EXPECT_EQ(i, 7);
    glGetUniformfv(shader->program, shader->getUniformLocation("f1"), f);
    EXPECT_EQ(f[0], 0.25f);
}

TEST_F(ShaderTest, LocationsAreLookedUpOnceAndAMissingUniformIsIgnoredForGood) {
    auto shader = makeUniformShader();
    shader->use();
    realLookup = glad_glGetUniformLocation;
    realUniform1f = glad_glUniform1f;
    glad_glGetUniformLocation = countingLookup;
    glad_glUniform1f = countingUniform1f;
    lookups = 0;
    floatUploads = 0;

    for (int i = 0; i < 5; ++i) {
        shader->setUniform("f1", 1.0f);
        shader->setUniform("unused", 1.0f);      // dropped by the driver
        shader->setUniform("doesNotExist", 1.0f);
    }

    glad_glGetUniformLocation = realLookup;
    glad_glUniform1f = realUniform1f;
    EXPECT_EQ(lookups, 3);       // one per name, whatever the answer
    EXPECT_EQ(floatUploads, 5);  // only the uniform the program has
    EXPECT_EQ(shader->uniformLocations.at("unused"), -1);
    EXPECT_EQ(shader->uniformLocations.at("doesNotExist"), -1);
    EXPECT_NE(shader->uniformLocations.at("f1"), -1);
}

TEST_F(ShaderTest, DestroyingAShaderLeavesNoProgramCurrentEvenWhenAnotherWas) {
    auto first = makeUniformShader();
    Shader second;
    second.use();
    ASSERT_EQ(currentProgram(), static_cast<GLint>(second.program));
    const GLuint firstProgram = first->program;
    first.reset();
    EXPECT_EQ(currentProgram(), 0);
    EXPECT_FALSE(glIsProgram(firstProgram));
}

TEST_F(ShaderTest, ReleaseGivesTheProgramBackOnceAndTheDestructorThenDoesNothing) {
    auto shader = makeUniformShader();
    const GLuint program = shader->program;
    Shader other;
    shader->release();
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_EQ(shader->program, 0u);
    other.use();
    shader.reset();  // no second delete and no unbinding of the other program
    EXPECT_EQ(currentProgram(), static_cast<GLint>(other.program));
}

TEST_F(ShaderTest, ACompilationErrorIsFatalAfterTheVertexStagesReadLine) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string vert = assets.write("ok.vert", kUniformVertex);
    const std::string frag = assets.write("bad.frag", "#version 430 core\nout vec4 color;\nvoid main() { color = oops; }\n");
    EXPECT_EXIT(
        {
            testio::prepareFatalChild();
            Shader shader(vert, frag);
        },
        testing::ExitedWithCode(1),
        testing::AllOf(testing::StartsWith("Read shader: " + vert + "\nFailed to compile shader: " + frag + "\n"),
                       testing::HasSubstr("oops"), testing::Not(testing::HasSubstr("Read shader: " + frag))));
}

TEST_F(ShaderTest, ALinkErrorIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string vert = assets.write("plain.vert", "#version 430 core\nvoid main() { gl_Position = vec4(0.0); }\n");
    const std::string frag =
        assets.write("needs.frag", "#version 430 core\nin vec3 neverWritten;\nout vec4 color;\nvoid main() { color = vec4(neverWritten, 1.0); }\n");
    EXPECT_EXIT(
        {
            testio::prepareFatalChild();
            Shader shader(vert, frag);
        },
        testing::ExitedWithCode(1),
        testing::StartsWith("Read shader: " + vert + "\nRead shader: " + frag + "\nFailed to link shader program:\n"));
}

TEST_F(ShaderTest, AMissingShaderFileIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            testio::prepareFatalChild();
            Shader shader("../assets/shaders/None/none.vert", "../assets/shaders/None/none.frag");
        },
        testing::ExitedWithCode(1), testing::StrEq("Could not find shader file: ../assets/shaders/None/none.vert\n"));
}

namespace {

struct ProgramInterface {
    const char* vertex;
    const char* fragment;
    std::vector<const char*> uniforms;
};

const std::string kShaders = "../assets/shaders/";

}  // namespace

// The game's fourteen programs from its twelve file pairs, with the uniforms each pass sets.
TEST_F(ShaderTest, AllGameProgramsBuildWithTheInterfacesTheirPassesUse) {
    const std::vector<ProgramInterface> programs = {
        {"TextureShader/textureShader.vert", "TextureShader/textureShader.frag",
         {"viewProjMatrix", "modelMatrix", "normalMatrix", "dirL.color", "dirL.direction", "gamma",
          "materialCoefficients", "specularAlpha", "diffuseTexture"}},
        {"FlareShader/flareShader.vert", "FlareShader/flareShader.frag",
         {"brightness", "infoPointDistanceNorm", "transform"}},
        {"ModelShader/modelShader.vert", "ModelShader/modelShader.frag",
         {"projection", "view", "model", "lightColor", "brightness", "lightPos", "viewPos", "shininess",
          "textureDiffuse1"}},
        {"AnimationShader/animatedModelShader.vert", "AnimationShader/animatedModelShader.frag",
         {"projection", "view", "model", "lightColor", "brightness", "lightPos", "viewPos", "textureDiffuse1",
          "finalBonesMatrices[0]", "finalBonesMatrices[99]"}},
        {"ParticleShader/particleShader.vert", "ParticleShader/particleShader.frag",
         {"camRightWS", "camUpWS", "particleVP", "infoPointNorm", "particleTexture"}},
        {"ParticleShader/particleShader.vert", "ParticleShader/particleShader.frag", {}},
        {"GUIShader/guiShader.vert", "GUIShader/guiShader.frag", {"alpha", "rotation"}},
        {"GUIShader/guiShader.vert", "GUIShader/guiShader.frag", {}},
        {"CubeMapShader/cubeMapShader.vert", "CubeMapShader/cubeMapShader.frag",
         {"model", "view", "projection", "cameraPos"}},
        {"SkyboxShader/skyboxShader.vert", "SkyboxShader/skyboxShader.frag", {"view", "projection", "colorModifierNorm"}},
        {"FreetypeShader/freetypeShader.vert", "FreetypeShader/freetypeShader.frag",
         {"projection", "textColor", "textAlpha"}},
        {"SceneTextureShader/sceneTextureShader.vert", "SceneTextureShader/sceneTextureShader.frag", {}},
        {"BlurShader/blurShader.vert", "BlurShader/horizontalBlurShader.frag", {"blurRadius", "texelSize"}},
        {"BlurShader/blurShader.vert", "BlurShader/verticalBlurShader.frag", {"blurRadius", "texelSize"}},
    };

    testing::internal::CaptureStdout();
    std::vector<std::shared_ptr<Shader>> built;
    for (const ProgramInterface& p : programs) {
        built.push_back(std::make_shared<Shader>(kShaders + p.vertex, kShaders + p.fragment));
    }
    const std::string output = testing::internal::GetCapturedStdout();

    std::string expected;
    for (const ProgramInterface& p : programs) {
        expected += "Read shader: " + kShaders + p.vertex + "\nRead shader: " + kShaders + p.fragment + "\n";
    }
    EXPECT_EQ(output, expected);  // 28 lines

    for (std::size_t i = 0; i < programs.size(); ++i) {
        for (const char* uniform : programs[i].uniforms) {
            EXPECT_NE(glGetUniformLocation(built[i]->program, uniform), -1) << programs[i].fragment << " " << uniform;
        }
    }
    // Vertex layouts fixed by the meshes and models that feed these programs.
    EXPECT_EQ(glGetAttribLocation(built[3]->program, "boneIds"), 5);
    EXPECT_EQ(glGetAttribLocation(built[3]->program, "weights"), 6);
    EXPECT_EQ(glGetAttribLocation(built[4]->program, "positionAndSize"), 1);
    EXPECT_EQ(glGetAttribLocation(built[4]->program, "color"), 2);
}
