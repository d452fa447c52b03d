#pragma once
// Builds DDS files in memory for the texture tests: well-formed ones of every supported kind,
// and hostile ones through the fields a test overrides.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testdds {

struct DdsDescription {
    std::uint32_t width = 4;
    std::uint32_t height = 4;
    std::string fourCC = "DXT5";    // "DX10" adds the extension header
    bool fourCCFlag = true;          // the pixel format's DDPF_FOURCC bit
    std::uint32_t headerSize = 124;
    std::uint32_t pixelFormatSize = 32;
    std::int64_t linearSize = -1;    // -1: the top level's true byte size
    std::uint32_t dxgiFormat = 77;   // BC3_UNORM
    std::uint32_t resourceDimension = 3;
    std::uint32_t arraySize = 1;
    // Pixel data after the header(s); empty: the top level filled with a byte pattern.
    std::vector<std::uint8_t> data;
};

inline std::uint32_t blockBytesOf(const DdsDescription& desc) {
    if (desc.fourCC == "DXT1") return 8;
    if (desc.fourCC == "DX10") return desc.dxgiFormat >= 70 && desc.dxgiFormat <= 72 ? 8 : 16;
    return 16;
}

inline std::uint32_t topLevelBytes(const DdsDescription& desc) {
    return ((desc.width + 3) / 4) * ((desc.height + 3) / 4) * blockBytesOf(desc);
}

inline void putU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline std::vector<std::uint8_t> buildDds(const DdsDescription& desc) {
    const bool dx10 = desc.fourCC == "DX10";
    std::vector<std::uint8_t> bytes(dx10 ? 148 : 128, 0);
    bytes[0] = 'D';
    bytes[1] = 'D';
    bytes[2] = 'S';
    bytes[3] = ' ';
    putU32(bytes, 4, desc.headerSize);
    putU32(bytes, 8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000);  // caps, height, width, pixel format, linear size
    putU32(bytes, 12, desc.height);
    putU32(bytes, 16, desc.width);
    putU32(bytes, 20, desc.linearSize < 0 ? topLevelBytes(desc) : static_cast<std::uint32_t>(desc.linearSize));
    putU32(bytes, 28, 1);
    putU32(bytes, 76, desc.pixelFormatSize);
    putU32(bytes, 80, desc.fourCCFlag ? 0x4 : 0x41);  // FourCC, or RGB with alpha
    for (std::size_t i = 0; i < 4 && i < desc.fourCC.size(); ++i) {
        bytes[84 + i] = static_cast<std::uint8_t>(desc.fourCC[i]);
    }
    if (!desc.fourCCFlag) {
        putU32(bytes, 88, 32);
        putU32(bytes, 92, 0x00FF0000);
        putU32(bytes, 96, 0x0000FF00);
        putU32(bytes, 100, 0x000000FF);
        putU32(bytes, 104, 0xFF000000);
    }
    putU32(bytes, 108, 0x1000);
    if (dx10) {
        putU32(bytes, 128, desc.dxgiFormat);
        putU32(bytes, 132, desc.resourceDimension);
        putU32(bytes, 140, desc.arraySize);
    }
    if (desc.data.empty()) {
        const std::uint32_t size = desc.fourCCFlag ? topLevelBytes(desc) : desc.width * desc.height * 4;
        for (std::uint32_t i = 0; i < size; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(i * 7 + 1));
        }
    } else {
        bytes.insert(bytes.end(), desc.data.begin(), desc.data.end());
    }
    return bytes;
}

// One 4x4 block of a single opaque colour (RGB565) in the block layout of the format.
inline std::vector<std::uint8_t> solidBlock(const std::string& fourCC, std::uint16_t rgb565) {
    std::vector<std::uint8_t> block;
    if (fourCC == "DXT3") {
        block.assign(8, 0xFF);  // explicit alpha, 4 bits a pixel, all opaque
    } else if (fourCC == "DXT5") {
        block = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0};  // both alpha ends 255, every index 0
    }
    const std::uint8_t lo = static_cast<std::uint8_t>(rgb565 & 0xFF);
    const std::uint8_t hi = static_cast<std::uint8_t>(rgb565 >> 8);
    block.insert(block.end(), {lo, hi, lo, hi, 0, 0, 0, 0});  // both ends the colour, every index 0
    return block;
}

// A whole top level of solid blocks.
inline std::vector<std::uint8_t> solidImage(const std::string& fourCC, std::uint32_t width, std::uint32_t height,
                                            std::uint16_t rgb565) {
    std::vector<std::uint8_t> data;
    const std::uint32_t blocks = ((width + 3) / 4) * ((height + 3) / 4);
    for (std::uint32_t i = 0; i < blocks; ++i) {
        const auto block = solidBlock(fourCC, rgb565);
        data.insert(data.end(), block.begin(), block.end());
    }
    return data;
}

inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testdds
