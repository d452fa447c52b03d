#include <gtest/gtest.h>

#include <IL/il.h>
#include <IL/ilu.h>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <memory>
#include <string>
#include <vector>

#include "support/ScratchAssets.h"
#include "framework/Shader.h"
#include "renderer/Material.h"
#include "renderer/StaticMesh.h"
#include "renderer/TextureDXT5.h"
#include "support/DdsBytes.h"
#include "support/GlContext.h"
#include "support/PixelReadback.h"

namespace {

using testgl::bufferSize;
using testgl::integer;

std::vector<glm::vec2> boxTexCoords() {
    std::vector<glm::vec2> uvs;
    for (int face = 0; face < 6; ++face) {
        uvs.insert(uvs.end(), {{1, 1}, {1, 0}, {0, 0}, {0, 1}});
    }
    return uvs;
}

std::vector<unsigned char> solidDds(std::uint16_t rgb565) {
    testdds::DdsDescription desc;
    desc.fourCC = "DXT5";
    desc.width = 8;
    desc.height = 8;
    desc.data = testdds::solidImage("DXT5", 8, 8, rgb565);
    return testdds::buildDds(desc);
}

class MeshMaterialTest : public testgl::GlTest {
protected:
    void SetUp() override {
        testgl::GlTest::SetUp();
        ilInit();
        iluInit();
        testing::internal::CaptureStdout();
        shader = std::make_shared<Shader>("../assets/shaders/TextureShader/textureShader.vert",
                                          "../assets/shaders/TextureShader/textureShader.frag");
        testing::internal::GetCapturedStdout();
    }
    void TearDown() override {
        materialMap.clear();
        shader.reset();
        ilShutDown();
        testgl::GlTest::TearDown();
    }

    std::shared_ptr<TextureDXT5> texture(const std::string& file, std::uint16_t rgb565) {
        const std::string name = assets.write(file, solidDds(rgb565));
        WorkingDirectory here(assets.executableDirectory());
        return std::make_shared<TextureDXT5>(name);
    }

    glm::vec3 uniform3(const char* name) {
        GLfloat v[3] = {};
        glGetUniformfv(shader->program, glGetUniformLocation(shader->program, name), v);
        return glm::make_vec3(v);
    }

    ScratchAssets assets;
    std::shared_ptr<Shader> shader;
};

}  // namespace

TEST_F(MeshMaterialTest, AMeshUploadsOneBufferPerStreamAndGivesThemAllBack) {
    const StaticMeshData box = createBoxGeometry(1, 1, 1, boxTexCoords());
    auto mesh = std::make_unique<StaticMesh>("box", glm::mat4(1.0f), box, nullptr);
    EXPECT_EQ(mesh->name, "box");
    EXPECT_EQ(mesh->indexCount, 36);
    EXPECT_EQ(mesh->vboExtra, 0u);
    EXPECT_EQ(bufferSize(mesh->vboPositions), 24 * 12);
    EXPECT_EQ(bufferSize(mesh->vboNormals), 24 * 12);
    EXPECT_EQ(bufferSize(mesh->vboUvs), 24 * 8);
    EXPECT_EQ(bufferSize(mesh->ebo), 36 * 4);
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_BINDING), 0);
    EXPECT_EQ(integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0);

    glBindVertexArray(mesh->vao);
    EXPECT_EQ(integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), static_cast<GLint>(mesh->ebo));
    const GLint expectedEnabled[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE};
    const GLint expectedSize[3] = {3, 3, 2};
    for (GLuint attribute = 0; attribute < 4; ++attribute) {
        GLint enabled = -1;
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        EXPECT_EQ(enabled, expectedEnabled[attribute]) << attribute;
        if (attribute < 3) {
            GLint size = -1;
            glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
            EXPECT_EQ(size, expectedSize[attribute]) << attribute;
        }
    }
    glBindVertexArray(0);

    const GLuint names[5] = {mesh->vboPositions, mesh->vboNormals, mesh->vboUvs, mesh->ebo, mesh->vao};
    mesh->release();
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(glIsBuffer(names[i])) << i;
    }
    EXPECT_FALSE(glIsVertexArray(names[4]));
    mesh.reset();  // nothing left to delete
}

TEST_F(MeshMaterialTest, AnExtraStreamGoesToAttributeThree) {
    StaticMeshData box = createBoxGeometry(1, 1, 1, boxTexCoords());
    box.extra.assign(24, glm::vec3(0.5f));
    StaticMesh mesh("extra", glm::mat4(1.0f), box, nullptr);
    ASSERT_NE(mesh.vboExtra, 0u);
    EXPECT_EQ(bufferSize(mesh.vboExtra), 24 * 12);
    glBindVertexArray(mesh.vao);
    GLint enabled = -1;
    glGetVertexAttribiv(3, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, GL_TRUE);
    glBindVertexArray(0);
}

TEST_F(MeshMaterialTest, MaterialUniformsTextureBindingAndFilters) {
    auto grey = texture("grey.dds", 0x8410);
    TextureMaterial material(shader, glm::vec3(0.1f, 0.7f, 0.3f), 8.0f, grey);
    // Something else changed the texture's filters in the meantime.
    glBindTexture(GL_TEXTURE_2D, grey->handle);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glActiveTexture(GL_TEXTURE4);

    shader->use();
    material.setUniforms();
    EXPECT_EQ(uniform3("materialCoefficients"), glm::vec3(0.1f, 0.7f, 0.3f));
    GLfloat alpha = 0;
    glGetUniformfv(shader->program, glGetUniformLocation(shader->program, "specularAlpha"), &alpha);
    EXPECT_EQ(alpha, 8.0f);
    GLint unit = -1;
    glGetUniformiv(shader->program, glGetUniformLocation(shader->program, "diffuseTexture"), &unit);
    EXPECT_EQ(unit, 0);
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(grey->handle));
    GLint filter = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);

    // The plain base sends only its two uniforms.
    Material sun(shader, glm::vec3(1.0f, 1.0f, 0.0f), 0.0f);
    sun.setUniforms();
    EXPECT_EQ(uniform3("materialCoefficients"), glm::vec3(1.0f, 1.0f, 0.0f));
}

TEST_F(MeshMaterialTest, ADrawnBoxShowsItsLitTexture) {
    auto red = texture("red.dds", 0xF800);
    auto material = std::make_shared<TextureMaterial>(shader, glm::vec3(1.0f, 0.0f, 0.0f), 8.0f, red);
    const glm::mat4 model = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, 0.25f));
    StaticMesh mesh("box", model, createBoxGeometry(1, 1, 1, boxTexCoords()), material);
    EXPECT_EQ(mesh.getMaterial(), material);

    glViewport(0, 0, 64, 64);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    shader->use();
    shader->setUniform("viewProjMatrix", glm::mat4(1.0f));
    shader->setUniform("dirL.color", glm::vec3(1.0f));
    shader->setUniform("dirL.direction", glm::vec3(0.0f, 0.0f, -1.0f));
    shader->setUniform("gamma", glm::vec3(1.0f / 2.2f));
    mesh.getMaterial()->setUniforms();
    mesh.draw(shader);
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_BINDING), 0);

    GLfloat m[16] = {};
    glGetUniformfv(shader->program, glGetUniformLocation(shader->program, "modelMatrix"), m);
    EXPECT_EQ(glm::make_mat4(m), model);
    GLfloat n[9] = {};
    glGetUniformfv(shader->program, glGetUniformLocation(shader->program, "normalMatrix"), n);
    EXPECT_EQ(glm::make_mat3(n), glm::mat3(1.0f));  // a translation leaves normals alone

    const testgl::Pixels drawn = testgl::readPixels(0, 64, 64);
    const glm::ivec3 centre = drawn.rgb(32, 32);
    EXPECT_GT(centre.r, 200);  // ambient weight 1 under white light: the texture's red
    EXPECT_LT(centre.g, 30);
    EXPECT_LT(centre.b, 30);
    EXPECT_EQ(drawn.rgb(2, 2).r, 0);  // outside the box: the clear colour
}

TEST_F(MeshMaterialTest, LevelMaterialsFromATableReplaceEntriesAndReleaseTheirTextures) {
    const std::vector<LevelMaterialDesc>& level = levelMaterialTable();
    ASSERT_EQ(level.size(), 6u);
    EXPECT_EQ(level[1].name, "sun");
    EXPECT_EQ(level[1].textureFile, "../assets/textures/level/sun.dds");
    EXPECT_EQ(level[1].materialCoefficients, glm::vec3(1.0f, 1.0f, 0.0f));
    EXPECT_EQ(level[1].specularAlpha, 0.0f);
    EXPECT_EQ(level[4].name, "grey");
    EXPECT_EQ(level[4].textureFile, "../assets/textures/level/grey02.dds");
    EXPECT_EQ(level[4].materialCoefficients, glm::vec3(0.1f, 0.7f, 0.3f));
    EXPECT_EQ(level[4].specularAlpha, 8.0f);

    const std::vector<LevelMaterialDesc> table = {
        {"a", assets.write("a.dds", solidDds(0xF800)), {0.1f, 0.7f, 0.3f}, 8.0f},
        {"b", assets.write("b.dds", solidDds(0x001F)), {1.0f, 1.0f, 0.0f}, 0.0f},
    };
    WorkingDirectory here(assets.executableDirectory());
    createMaterials(shader, table);
    ASSERT_EQ(materialMap.size(), 2u);
    auto a = std::dynamic_pointer_cast<TextureMaterial>(materialMap.at("a"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->shader, shader);
    EXPECT_EQ(a->specularAlpha, 8.0f);
    ASSERT_TRUE(a->texture);
    EXPECT_TRUE(a->texture->initialized);

    createMaterials(shader, table);
    EXPECT_EQ(materialMap.size(), 2u);
    EXPECT_NE(materialMap.at("a"), a);  // replaced; the old one lives on with its holders
    EXPECT_TRUE(glIsTexture(a->texture->handle));

    const GLuint current = std::dynamic_pointer_cast<TextureMaterial>(materialMap.at("b"))->texture->handle;
    releaseLevelMaterials();
    EXPECT_TRUE(materialMap.empty());
    EXPECT_FALSE(glIsTexture(current));
}
