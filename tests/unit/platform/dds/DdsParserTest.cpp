#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/DdsBytes.h"
#include "support/TempDir.h"
#include "platform/dds/DdsParser.h"

using dds::Status;
using testdds::DdsDescription;

namespace {

dds::Layout parseSpec(const DdsDescription& desc) {
    const auto bytes = testdds::buildDds(desc);
    return dds::parse(bytes.data(), bytes.size());
}

DdsDescription desc(const std::string& fourCC, std::uint32_t width, std::uint32_t height) {
    DdsDescription s;
    s.fourCC = fourCC;
    s.width = width;
    s.height = height;
    return s;
}

}  // namespace

TEST(DdsParser, ReadsTheThreeFourCCFormats) {
    struct Case {
        const char* fourCC;
        std::uint32_t glFormat;
        std::uint32_t blockBytes;
    };
    for (const Case& c : {Case{"DXT1", 0x83F1, 8}, Case{"DXT3", 0x83F2, 16}, Case{"DXT5", 0x83F3, 16}}) {
        SCOPED_TRACE(c.fourCC);
        const dds::Layout layout = parseSpec(desc(c.fourCC, 64, 32));
        ASSERT_EQ(layout.status, Status::Ok);
        EXPECT_EQ(layout.width, 64u);
        EXPECT_EQ(layout.height, 32u);
        EXPECT_EQ(layout.glFormat, c.glFormat);
        EXPECT_EQ(layout.blockBytes, c.blockBytes);
        EXPECT_EQ(layout.topLevelBytes, 16u * 8u * c.blockBytes);
        EXPECT_EQ(layout.dataOffset, 128u);
        EXPECT_FALSE(layout.dx10);
    }
}

TEST(DdsParser, TopLevelSizeCountsWholeBlocks) {
    EXPECT_EQ(parseSpec(desc("DXT1", 1, 1)).topLevelBytes, 8u);
    EXPECT_EQ(parseSpec(desc("DXT5", 5, 3)).topLevelBytes, 32u);  // 2 x 1 blocks of 16 bytes
    EXPECT_EQ(parseSpec(desc("DXT3", 4, 4)).topLevelBytes, 16u);
    EXPECT_EQ(parseSpec(desc("DXT1", 9, 1)).topLevelBytes, 24u);
    EXPECT_EQ(dds::compressedSize(16384, 16384, 16), 268435456u);
}

TEST(DdsParser, MapsEveryBlockCompressedDxgiFormatOfTheDx10Header) {
    for (std::uint32_t dxgi = 70; dxgi <= 78; ++dxgi) {
        SCOPED_TRACE(dxgi);
        DdsDescription s = desc("DX10", 8, 8);
        s.dxgiFormat = dxgi;
        const dds::Layout layout = parseSpec(s);
        ASSERT_EQ(layout.status, Status::Ok);
        const std::uint32_t expected = dxgi <= 72 ? 0x83F1 : dxgi <= 75 ? 0x83F2 : 0x83F3;
        EXPECT_EQ(layout.glFormat, expected);
        EXPECT_EQ(layout.blockBytes, dxgi <= 72 ? 8u : 16u);
        EXPECT_EQ(layout.dataOffset, 148u);
        EXPECT_TRUE(layout.dx10);
    }
}

TEST(DdsParser, OtherFormatsAreUnsupported) {
    for (std::uint32_t dxgi : {0u, 28u, 69u, 79u, 80u, 98u, 99u}) {
        DdsDescription s = desc("DX10", 8, 8);
        s.dxgiFormat = dxgi;
        EXPECT_EQ(parseSpec(s).status, Status::UnsupportedFormat) << dxgi;
    }
    for (const char* code : {"DXT2", "DXT4", "ATI2", "BC5U", "\x71\0\0\0"}) {
        EXPECT_EQ(parseSpec(desc(code, 8, 8)).status, Status::UnsupportedFormat) << code;
    }
    DdsDescription uncompressed = desc("DXT5", 8, 8);
    uncompressed.fourCCFlag = false;  // a DXT5 code without the FourCC flag means nothing
    EXPECT_EQ(parseSpec(uncompressed).status, Status::UnsupportedFormat);
}

TEST(DdsParser, Dx10ResourcesOtherThanOne2DTextureAreRejected) {
    DdsDescription volume = desc("DX10", 8, 8);
    volume.resourceDimension = 4;
    EXPECT_EQ(parseSpec(volume).status, Status::BadHeader);
    DdsDescription noArray = desc("DX10", 8, 8);
    noArray.arraySize = 0;
    EXPECT_EQ(parseSpec(noArray).status, Status::BadHeader);

    auto bytes = testdds::buildDds(desc("DX10", 8, 8));
    bytes.resize(140);  // cut inside the extension header
    EXPECT_EQ(dds::parse(bytes.data(), bytes.size()).status, Status::BadHeader);
}

TEST(DdsParser, WrongMagicAndTinyFiles) {
    auto bytes = testdds::buildDds(desc("DXT5", 8, 8));
    bytes[3] = 'X';
    EXPECT_EQ(dds::parse(bytes.data(), bytes.size()).status, Status::BadMagic);
    const std::uint8_t ktx[] = {0xAB, 'K', 'T', 'X', ' ', '1', '1', 0xBB};
    EXPECT_EQ(dds::parse(ktx, sizeof ktx).status, Status::BadMagic);
    EXPECT_EQ(dds::parse(nullptr, 0).status, Status::BadMagic);
    const std::uint8_t three[] = {'D', 'D', 'S'};
    EXPECT_EQ(dds::parse(three, 3).status, Status::BadMagic);
}

TEST(DdsParser, HeaderSizeFieldsAreNotConsultedButACutHeaderIsBad) {
    // Only the linear-size field of the header is read; its own size fields do not matter.
    DdsDescription header = desc("DXT5", 8, 8);
    header.headerSize = 123;
    EXPECT_EQ(parseSpec(header).status, Status::Ok);
    header.headerSize = 0xFFFFFFFF;
    header.pixelFormatSize = 0;
    const dds::Layout layout = parseSpec(header);
    EXPECT_EQ(layout.status, Status::Ok);
    EXPECT_EQ(layout.dataOffset, 128u);
    EXPECT_EQ(layout.topLevelBytes, 64u);

    auto bytes = testdds::buildDds(desc("DXT5", 8, 8));
    for (std::size_t cut : {4u, 20u, 100u, 127u}) {
        EXPECT_EQ(dds::parse(bytes.data(), cut).status, Status::BadHeader) << cut;
    }
}

TEST(DdsParser, ZeroAndAbsurdDimensionsAreRejected) {
    EXPECT_EQ(parseSpec(desc("DXT5", 0, 8)).status, Status::BadDimensions);
    EXPECT_EQ(parseSpec(desc("DXT5", 8, 0)).status, Status::BadDimensions);
    EXPECT_EQ(parseSpec(desc("DXT1", 16385, 4)).status, Status::BadDimensions);
    EXPECT_EQ(parseSpec(desc("DXT1", 4, 0xFFFFFFFF)).status, Status::BadDimensions);
    // The largest size passes the dimension test; the data it claims is then simply missing.
    DdsDescription largest = desc("DXT5", 16384, 16384);
    largest.data = {1, 2, 3};
    EXPECT_EQ(parseSpec(largest).status, Status::DataTruncated);
}

TEST(DdsParser, TheLinearSizeFieldMustCoverTheTopLevelButIsNeverTrustedBeyondIt) {
    DdsDescription small = desc("DXT5", 8, 8);
    small.linearSize = 63;
    EXPECT_EQ(parseSpec(small).status, Status::LinearSizeTooSmall);
    small.linearSize = 0;
    EXPECT_EQ(parseSpec(small).status, Status::LinearSizeTooSmall);

    DdsDescription huge = desc("DXT5", 8, 8);
    huge.linearSize = 0xFFFFFFFF;
    const dds::Layout layout = parseSpec(huge);
    EXPECT_EQ(layout.status, Status::Ok);
    EXPECT_EQ(layout.topLevelBytes, 64u);
}

TEST(DdsParser, DataShorterThanTheTopLevelIsTruncated) {
    for (const char* code : {"DXT1", "DXT5", "DX10"}) {
        SCOPED_TRACE(code);
        auto bytes = testdds::buildDds(desc(code, 8, 8));
        EXPECT_EQ(dds::parse(bytes.data(), bytes.size()).status, Status::Ok);
        EXPECT_EQ(dds::parse(bytes.data(), bytes.size() - 1).status, Status::DataTruncated);
        bytes.push_back(0);  // smaller levels after the top level are allowed and ignored
        EXPECT_EQ(dds::parse(bytes.data(), bytes.size()).status, Status::Ok);
    }
}

TEST(DdsParser, ReadsOnlyTheBytesItIsGiven) {
    const auto bytes = testdds::buildDds(desc("DXT5", 8, 8));
    // A header in memory with the rest of the file on disk: the file size decides the data.
    EXPECT_EQ(dds::parseHeader(bytes.data(), dds::kMaxHeaderBytes, bytes.size()).status, Status::Ok);
    EXPECT_EQ(dds::parseHeader(bytes.data(), 60, bytes.size()).status, Status::BadHeader);
    EXPECT_EQ(dds::parseHeader(nullptr, 148, bytes.size()).status, Status::BadHeader);
}

TEST(DdsParser, EveryPrefixAndEveryCorruptionIsHandled) {
    // Under the sanitizers this also proves no read goes past the buffer.
    for (const char* code : {"DXT1", "DXT3", "DXT5", "DX10"}) {
        const auto bytes = testdds::buildDds(desc(code, 12, 8));
        for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
            std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
            EXPECT_NE(dds::parse(prefix.data(), prefix.size()).status, Status::Ok) << code << " cut " << cut;
        }
    }
    std::mt19937 random(1234);
    const auto original = testdds::buildDds(desc("DX10", 12, 8));
    for (int round = 0; round < 5000; ++round) {
        auto bytes = original;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            bytes[random() % 148] = static_cast<std::uint8_t>(random());
        }
        const dds::Layout layout = dds::parse(bytes.data(), bytes.size());
        if (layout.status == Status::Ok) {
            EXPECT_LE(layout.dataOffset + static_cast<std::uint64_t>(layout.topLevelBytes), bytes.size());
            EXPECT_GE(layout.width, 1u);
            EXPECT_LE(layout.width, dds::kMaxDimension);
        }
    }
}

TEST(DdsFile, ReadsTheTopLevelFromTheRightOffset) {
    TempDir tmp;
    for (const char* code : {"DXT1", "DX10"}) {
        SCOPED_TRACE(code);
        auto bytes = testdds::buildDds(desc(code, 8, 4));
        const std::size_t offset = std::string(code) == "DX10" ? 148 : 128;
        const std::size_t size = bytes.size() - offset;
        bytes.insert(bytes.end(), 40, 0xEE);  // a smaller level that must not be read
        const auto path = (tmp.path() / (std::string(code) + ".dds")).string();
        testdds::writeFile(path, bytes);

        const dds::TopLevel top = dds::readTopLevel(path);
        ASSERT_EQ(top.layout.status, Status::Ok);
        ASSERT_EQ(top.data.size(), size);
        EXPECT_TRUE(std::equal(top.data.begin(), top.data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset)));
    }
}

TEST(DdsFile, MissingDirectoryOversizedAndTruncatedFiles) {
    TempDir tmp;
    EXPECT_EQ(dds::readTopLevel((tmp.path() / "none.dds").string()).layout.status, Status::Unreadable);
    EXPECT_EQ(dds::readTopLevel(tmp.path().string()).layout.status, Status::Unreadable);

    const auto bytes = testdds::buildDds(desc("DXT5", 8, 8));
    const auto path = (tmp.path() / "a.dds").string();
    testdds::writeFile(path, bytes);
    EXPECT_EQ(dds::readTopLevel(path, bytes.size() - 1).layout.status, Status::Unreadable);
    EXPECT_EQ(dds::readTopLevel(path, bytes.size()).layout.status, Status::Ok);

    // A header claiming the largest image over a few bytes of data: no huge allocation.
    DdsDescription liar = desc("DXT5", 16384, 16384);
    liar.data = {1, 2, 3, 4};
    const auto liarPath = (tmp.path() / "liar.dds").string();
    testdds::writeFile(liarPath, testdds::buildDds(liar));
    const dds::TopLevel top = dds::readTopLevel(liarPath);
    EXPECT_EQ(top.layout.status, Status::DataTruncated);
    EXPECT_TRUE(top.data.empty());
}
