#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/DdsBytes.h"
#include "support/TempDir.h"
#include "framework/Texture.h"

namespace {

struct Loaded {
    DDSImage image;
    std::string output;
};

Loaded load(const std::string& path) {
    testing::internal::CaptureStdout();
    Loaded loaded{loadDDS(path.c_str()), ""};
    loaded.output = testing::internal::GetCapturedStdout();
    return loaded;
}

void expectAllZero(const DDSImage& image) {
    EXPECT_EQ(image.image, nullptr);
    EXPECT_EQ(image.width, 0u);
    EXPECT_EQ(image.height, 0u);
    EXPECT_EQ(image.size, 0u);
    EXPECT_EQ(image.format, 0u);
}

}  // namespace

TEST(LoadDds, ReturnsTheTopLevelOfAValidFile) {
    TempDir tmp;
    testdds::DdsDescription desc;
    desc.fourCC = "DXT5";
    desc.width = 5;
    desc.height = 3;
    const auto bytes = testdds::buildDds(desc);
    const std::string path = (tmp.path() / "a.dds").string();
    testdds::writeFile(path, bytes);

    Loaded loaded = load(path);
    EXPECT_EQ(loaded.output, "");
    ASSERT_NE(loaded.image.image, nullptr);
    EXPECT_EQ(loaded.image.width, 5u);
    EXPECT_EQ(loaded.image.height, 3u);
    EXPECT_EQ(loaded.image.size, 32u);
    EXPECT_EQ(loaded.image.format, 0x83F3u);
    EXPECT_EQ(std::memcmp(loaded.image.image, bytes.data() + 128, 32), 0);
    delete[] loaded.image.image;
}

TEST(LoadDds, SrgbAndRgbVariantsLoadAsTheLinearRgbaFormats) {
    TempDir tmp;
    testdds::DdsDescription srgb;
    srgb.fourCC = "DX10";
    srgb.dxgiFormat = 78;  // BC3_UNORM_SRGB
    const std::string path = (tmp.path() / "srgb.dds").string();
    testdds::writeFile(path, testdds::buildDds(srgb));
    Loaded loaded = load(path);
    EXPECT_EQ(loaded.image.format, 0x83F3u);
    delete[] loaded.image.image;

    testdds::DdsDescription rgbDxt1;
    rgbDxt1.fourCC = "DX10";
    rgbDxt1.dxgiFormat = 71;  // BC1_UNORM
    testdds::writeFile(path, testdds::buildDds(rgbDxt1));
    loaded = load(path);
    EXPECT_EQ(loaded.image.format, 0x83F1u);
    EXPECT_EQ(loaded.image.size, 8u);
    delete[] loaded.image.image;
}

TEST(LoadDds, AFileThatIsNoTextureIsReported) {
    TempDir tmp;
    const std::string missing = (tmp.path() / "missing.dds").string();
    Loaded loaded = load(missing);
    EXPECT_EQ(loaded.output, "Unable to load DDS image file from path[" + missing + "]\n");
    expectAllZero(loaded.image);

    const std::string text = (tmp.path() / "text.dds").string();
    testdds::writeFile(text, {'h', 'e', 'l', 'l', 'o'});
    loaded = load(text);
    EXPECT_EQ(loaded.output, "Unable to load DDS image file from path[" + text + "]\n");
    expectAllZero(loaded.image);

    testdds::DdsDescription zero;
    zero.width = 0;
    testdds::writeFile(text, testdds::buildDds(zero));
    loaded = load(text);
    EXPECT_EQ(loaded.output, "Unable to load DDS image file from path[" + text + "]\n");
}

TEST(LoadDds, AnUncompressedFileIsAnUnsupportedFormat) {
    TempDir tmp;
    testdds::DdsDescription rgba;
    rgba.fourCCFlag = false;
    const std::string path = (tmp.path() / "rgba.dds").string();
    testdds::writeFile(path, testdds::buildDds(rgba));
    Loaded loaded = load(path);
    EXPECT_EQ(loaded.output, "Unable to load DDS image file [" + path + "] due to an unsupported format.\n");
    expectAllZero(loaded.image);
}

TEST(LoadDds, ShortDataFailsWithoutAMessage) {
    TempDir tmp;
    const std::string path = (tmp.path() / "short.dds").string();
    auto bytes = testdds::buildDds(testdds::DdsDescription{});
    bytes.pop_back();
    testdds::writeFile(path, bytes);
    Loaded loaded = load(path);
    EXPECT_EQ(loaded.output, "");
    expectAllZero(loaded.image);

    testdds::DdsDescription lying;
    lying.linearSize = 15;  // below the 16 bytes of the 4 x 4 DXT5 top level
    testdds::writeFile(path, testdds::buildDds(lying));
    loaded = load(path);
    EXPECT_EQ(loaded.output, "");
    expectAllZero(loaded.image);
}
