#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <IL/il.h>
#include <IL/ilu.h>
#include <stb_image_write.h>

#include <functional>
#include <string>
#include <vector>

#include "support/ScratchAssets.h"
#include "framework/GlLifetime.h"
#include "framework/Texture.h"
#include "renderer/TextureDXT5.h"
#include "support/DdsBytes.h"
#include "support/GlContext.h"
#include "support/PixelReadback.h"

namespace {

using testgl::integer;

GLint textureParameter(GLuint texture, GLenum name) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint levelParameter(GLuint texture, GLint level, GLenum name) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

constexpr std::uint16_t kRed565 = 0xF800;
constexpr std::uint16_t kGreen565 = 0x07E0;

std::vector<unsigned char> solidDds(const std::string& fourCC, std::uint32_t w, std::uint32_t h, std::uint16_t c) {
    testdds::DdsDescription desc;
    desc.fourCC = fourCC;
    desc.width = w;
    desc.height = h;
    desc.data = testdds::solidImage(fourCC == "DX10" ? "DXT5" : fourCC, w, h, c);
    return testdds::buildDds(desc);
}

// Every pixel of the texture's level 0 has this RGBA colour.
void expectSolid(GLuint texture, unsigned char r, unsigned char g, unsigned char b) {
    const std::vector<unsigned char> pixels = testgl::readTexture(texture).rgba;
    ASSERT_FALSE(pixels.empty());
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        ASSERT_EQ(pixels[i], r) << i;
        ASSERT_EQ(pixels[i + 1], g) << i;
        ASSERT_EQ(pixels[i + 2], b) << i;
        ASSERT_EQ(pixels[i + 3], 255) << i;
    }
}

class TextureTest : public testgl::GlTest {
protected:
    void SetUp() override {
        testgl::GlTest::SetUp();
        ilInit();
        iluInit();
    }
    void TearDown() override {
        ilShutDown();
        testgl::GlTest::TearDown();
    }

    std::string captured(const std::function<void()>& action) {
        testing::internal::CaptureStdout();
        action();
        return testing::internal::GetCapturedStdout();
    }

    ScratchAssets assets;
};

}  // namespace

TEST_F(TextureTest, DxtFilesUploadCompressedWithGeneratedMipmaps) {
    struct Case {
        const char* fourCC;
        GLint format;
    };
    for (const Case& c : {Case{"DXT1", 0x83F1}, Case{"DXT3", 0x83F2}, Case{"DXT5", 0x83F3}, Case{"DX10", 0x83F3}}) {
        SCOPED_TRACE(c.fourCC);
        const std::string name = assets.write(std::string(c.fourCC) + ".dds", solidDds(c.fourCC, 16, 8, kRed565));
        Texture texture(name);
        ASSERT_TRUE(texture.initialized);
        EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture.handle));  // left bound
        EXPECT_EQ(levelParameter(texture.handle, 0, GL_TEXTURE_COMPRESSED), GL_TRUE);
        EXPECT_EQ(levelParameter(texture.handle, 0, GL_TEXTURE_INTERNAL_FORMAT), c.format);
        EXPECT_EQ(levelParameter(texture.handle, 0, GL_TEXTURE_WIDTH), 16);
        EXPECT_EQ(levelParameter(texture.handle, 4, GL_TEXTURE_WIDTH), 1);  // 16, 8, 4, 2, 1
        EXPECT_EQ(textureParameter(texture.handle, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(textureParameter(texture.handle, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(textureParameter(texture.handle, GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(textureParameter(texture.handle, GL_TEXTURE_WRAP_T), GL_REPEAT);
        expectSolid(texture.handle, 255, 0, 0);
    }
}

TEST_F(TextureTest, BindUsesTheGivenUnitAndAnUninitialisedTextureBindsNothing) {
    const std::string good = assets.write("good.dds", solidDds("DXT1", 4, 4, kGreen565));
    Texture texture(good);
    texture.bind(3);
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture.handle));

    testdds::DdsDescription rgba;
    rgba.fourCCFlag = false;
    const std::string plain = assets.write("plain.dds", testdds::buildDds(rgba));
    std::unique_ptr<Texture> uninitialised;
    const std::string output = captured([&] { uninitialised = std::make_unique<Texture>(plain); });
    EXPECT_THAT(output, testing::EndsWith("] due to an unsupported format.\n"));
    EXPECT_FALSE(uninitialised->initialized);

    glActiveTexture(GL_TEXTURE5);
    glBindTexture(GL_TEXTURE_2D, texture.handle);
    uninitialised->bind(0);
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE5);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture.handle));
}

TEST_F(TextureTest, ReleaseDeletesOnceAndDestructorsAfterTheContextMakeNoCall) {
    const std::string name = assets.write("r.dds", solidDds("DXT5", 4, 4, kRed565));
    auto released = std::make_unique<Texture>(name);
    const GLuint first = released->handle;
    released->release();
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_FALSE(released->initialized);
    released.reset();

    auto late = std::make_unique<Texture>(name);
    const GLuint second = late->handle;
    setGlContextAlive(false);
    late.reset();
    setGlContextAlive(true);
    EXPECT_TRUE(glIsTexture(second));  // left for the process end, no call was made
    glDeleteTextures(1, &second);
}

TEST_F(TextureTest, TextureDXT5DecodesToRgbaWithLevelsUpToTen) {
    const std::string name = assets.write("dxt5.dds", solidDds("DXT5", 8, 4, kGreen565));
    WorkingDirectory here(assets.executableDirectory());
    const std::string output = captured([&] {
        TextureDXT5 texture(name);
        EXPECT_TRUE(texture.initialized);
        EXPECT_EQ(texture.width, 8);
        EXPECT_EQ(texture.height, 4);
        EXPECT_EQ(levelParameter(texture.handle, 0, GL_TEXTURE_COMPRESSED), GL_FALSE);
        EXPECT_EQ(levelParameter(texture.handle, 0, GL_TEXTURE_WIDTH), 8);
        EXPECT_EQ(levelParameter(texture.handle, 3, GL_TEXTURE_WIDTH), 1);
        EXPECT_EQ(textureParameter(texture.handle, GL_TEXTURE_MAX_LEVEL), 10);
        EXPECT_EQ(textureParameter(texture.handle, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(textureParameter(texture.handle, GL_TEXTURE_WRAP_T), GL_REPEAT);
        expectSolid(texture.handle, 0, 255, 0);

    });
    EXPECT_EQ(output, "");
}

TEST_F(TextureTest, TextureDXT5DecodesTheFoundFileFromAnyWorkingDirectory) {
    const std::string name = assets.write("found.dds", solidDds("DXT1", 4, 4, kGreen565));
    WorkingDirectory elsewhere(std::filesystem::temp_directory_path());
    std::unique_ptr<TextureDXT5> texture;
    const std::string output = captured([&] { texture = std::make_unique<TextureDXT5>(name); });
    EXPECT_EQ(output, "");
    EXPECT_EQ(texture->width, 4);
    EXPECT_EQ(levelParameter(texture->handle, 0, GL_TEXTURE_COMPRESSED), GL_FALSE);
    expectSolid(texture->handle, 0, 255, 0);
}

TEST_F(TextureTest, AFileOnlyOurReaderUnderstandsKeepsItsCompressedImageToo) {
    // DevIL does not read the DX10 extension header.
    const std::string name = assets.write("dx10.dds", solidDds("DX10", 4, 4, kGreen565));
    WorkingDirectory here(assets.executableDirectory());
    std::unique_ptr<TextureDXT5> texture;
    const std::string output = captured([&] { texture = std::make_unique<TextureDXT5>(name); });
    // The decoder names the file it opened: the one the search found.
    EXPECT_THAT(output, testing::StartsWith("ImageLoader using DevIL could not load provided image: " +
                                            (assets.executableDirectory() / name).string() + "\nDevIL Error: "));
    EXPECT_THAT(output, testing::MatchesRegex("[^\n]*\nDevIL Error: [0-9]+ - [^\n]+\n"));
    EXPECT_TRUE(texture->initialized);
    expectSolid(texture->handle, 0, 255, 0);
}

TEST_F(TextureTest, AnUncompressedDdsGivesAnRgbaTextureThatBindIgnoresButReleaseDeletes) {
    testdds::DdsDescription rgba;
    rgba.fourCCFlag = false;
    rgba.width = 2;
    rgba.height = 2;
    rgba.data.assign(16, 0);
    for (int i = 0; i < 4; ++i) {
        rgba.data[4 * i + 0] = 0xFF;  // blue byte of BGRA
        rgba.data[4 * i + 3] = 0xFF;
    }
    const std::string name = assets.write("bgra.dds", testdds::buildDds(rgba));
    WorkingDirectory here(assets.executableDirectory());
    std::unique_ptr<TextureDXT5> texture;
    const std::string output = captured([&] { texture = std::make_unique<TextureDXT5>(name); });
    EXPECT_THAT(output, testing::HasSubstr("due to an unsupported format."));
    EXPECT_FALSE(texture->initialized);
    ASSERT_NE(texture->handle, 0u);
    expectSolid(texture->handle, 0, 0, 255);

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    texture->bind(0);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);

    const GLuint handle = texture->handle;
    texture.reset();
    EXPECT_FALSE(glIsTexture(handle));
}

TEST_F(TextureTest, ImageLoaderReportsMissingAndUndecodableFiles) {
    std::int32_t width = -1, height = -1;
    std::string output = captured([&] { EXPECT_EQ(ImageLoader::load("no/such/file.png", width, height), nullptr); });
    EXPECT_EQ(output, "File does not exist: no/such/file.png\n");
    EXPECT_EQ(width, -1);

    WorkingDirectory here(assets.executableDirectory());
    const std::string junk = assets.write("junk.dds", std::string("DDS this is no image at all"));
    output = captured([&] { EXPECT_EQ(ImageLoader::load(junk, width, height), nullptr); });
    EXPECT_THAT(output, testing::MatchesRegex("ImageLoader using DevIL could not load provided image: [^\n]*junk.dds\n"
                                              "DevIL Error: [0-9]+ - [^\n]*\n"));
}

TEST_F(TextureTest, ImageTexturesKeepTheirChannelCountsAndOddRows) {
    // 3 x 2 pixels: rows of 3, 6 and 9 bytes are not multiples of the default alignment of 4.
    const int width = 3, height = 2;
    const GLint formats[5] = {0, GL_RED, GL_RG, GL_RGB, GL_RGBA};
    for (int channels = 1; channels <= 4; ++channels) {
        SCOPED_TRACE(channels);
        std::vector<unsigned char> pixels(static_cast<std::size_t>(width * height * channels));
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<unsigned char>(10 + 20 * i);
        }
        const std::string path =
            (assets.executableDirectory() / ("img" + std::to_string(channels) + ".png")).string();
        ASSERT_NE(stbi_write_png(path.c_str(), width, height, channels, pixels.data(), width * channels), 0);

        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        const GLuint texture = loadImageTexture(path.c_str());
        std::remove(path.c_str());
        EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 4);
        EXPECT_EQ(levelParameter(texture, 0, GL_TEXTURE_INTERNAL_FORMAT), formats[channels]);
        EXPECT_EQ(textureParameter(texture, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(textureParameter(texture, GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(levelParameter(texture, 1, GL_TEXTURE_WIDTH), 1);

        // The stored channels, texel by texel; the rest read back as the constants of RGBA.
        const testgl::Pixels stored = testgl::readTexture(texture);
        ASSERT_EQ(stored.width, width);
        ASSERT_EQ(stored.height, height);
        std::vector<unsigned char> back;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                back.insert(back.end(), stored.at(x, y), stored.at(x, y) + channels);
            }
        }
        EXPECT_EQ(back, pixels);
        glDeleteTextures(1, &texture);
    }
}

TEST_F(TextureTest, AnImageThatFailsStillGivesAFreshName) {
    GLuint first = 0, second = 0;
    const std::string output = captured([&] {
        first = loadImageTexture("no/such/texture.png");
        second = loadImageTexture("no/such/texture.png");
    });
    EXPECT_EQ(output, "Texture failed to load at path: no/such/texture.png\n"
                      "Texture failed to load at path: no/such/texture.png\n");
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
    glDeleteTextures(1, &first);
    glDeleteTextures(1, &second);
}
