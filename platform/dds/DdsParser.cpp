#include "platform/dds/DdsParser.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace dds {

namespace {

constexpr std::size_t kMagicBytes = 4;
constexpr std::uint32_t kPixelFormatFourCC = 0x4;

// File offsets.
constexpr std::size_t kOffHeight = 12;
constexpr std::size_t kOffWidth = 16;
constexpr std::size_t kOffPitchOrLinearSize = 20;
constexpr std::size_t kOffPixelFormatFlags = 80;
constexpr std::size_t kOffFourCC = 84;
constexpr std::size_t kOffDxgiFormat = 128;
constexpr std::size_t kOffResourceDimension = 132;
constexpr std::size_t kOffArraySize = 140;

constexpr std::uint32_t kDimensionTexture2D = 3;

constexpr std::uint32_t fourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(a)) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(d)) << 24;
}

std::uint32_t readU32(const std::uint8_t* bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

Layout failed(Status status) {
    Layout layout;
    layout.status = status;
    return layout;
}

// DXGI formats of the three block-compression families, typeless, linear and sRGB each.
bool dxgiToFormat(std::uint32_t dxgi, std::uint32_t& glFormat, std::uint32_t& blockBytes) {
    if (dxgi >= 70 && dxgi <= 72) {
        glFormat = kGlCompressedRgbaDxt1;
        blockBytes = 8;
    } else if (dxgi >= 73 && dxgi <= 75) {
        glFormat = kGlCompressedRgbaDxt3;
        blockBytes = 16;
    } else if (dxgi >= 76 && dxgi <= 78) {
        glFormat = kGlCompressedRgbaDxt5;
        blockBytes = 16;
    } else {
        return false;
    }
    return true;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool isUnreadableTexture(Status status) {
    return status == Status::Unreadable || status == Status::BadMagic || status == Status::BadHeader ||
           status == Status::BadDimensions;
}

std::uint64_t compressedSize(std::uint32_t width, std::uint32_t height, std::uint32_t blockBytes) {
    return ((static_cast<std::uint64_t>(width) + 3) / 4) * ((static_cast<std::uint64_t>(height) + 3) / 4) *
           blockBytes;
}

Layout parseHeader(const std::uint8_t* bytes, std::size_t available, std::uint64_t fileSize) {
    // Never look past what is both in memory and in the file.
    const std::uint64_t have = std::min<std::uint64_t>(bytes ? available : 0, fileSize);

    if (have < kMagicBytes || readU32(bytes, 0) != fourCC('D', 'D', 'S', ' ')) {
        return failed(fileSize < kMagicBytes || have >= kMagicBytes ? Status::BadMagic : Status::BadHeader);
    }
    if (have < kPlainDataOffset) {
        return failed(Status::BadHeader);
    }
    // The header's own size fields (124 and 32 in every writer's files) are not consulted:
    // every field sits at a fixed offset, and the data starts at 128 (148 with DX10) anyway.

    Layout layout;
    layout.width = readU32(bytes, kOffWidth);
    layout.height = readU32(bytes, kOffHeight);
    layout.pitchOrLinearSize = readU32(bytes, kOffPitchOrLinearSize);
    layout.dataOffset = kPlainDataOffset;

    if (layout.width == 0 || layout.height == 0 || layout.width > kMaxDimension || layout.height > kMaxDimension) {
        return failed(Status::BadDimensions);
    }

    const std::uint32_t flags = readU32(bytes, kOffPixelFormatFlags);
    const std::uint32_t code = readU32(bytes, kOffFourCC);
    if ((flags & kPixelFormatFourCC) != 0 && code == fourCC('D', 'X', '1', '0')) {
        if (have < kDx10DataOffset) {
            return failed(Status::BadHeader);
        }
        // Arrays, cube maps and volumes are not 2D textures; only their first image would fit.
        if (readU32(bytes, kOffResourceDimension) != kDimensionTexture2D || readU32(bytes, kOffArraySize) == 0) {
            return failed(Status::BadHeader);
        }
        layout.dx10 = true;
        layout.dataOffset = kDx10DataOffset;
        if (!dxgiToFormat(readU32(bytes, kOffDxgiFormat), layout.glFormat, layout.blockBytes)) {
            return failed(Status::UnsupportedFormat);
        }
    } else if ((flags & kPixelFormatFourCC) != 0 && code == fourCC('D', 'X', 'T', '1')) {
        layout.glFormat = kGlCompressedRgbaDxt1;
        layout.blockBytes = 8;
    } else if ((flags & kPixelFormatFourCC) != 0 && code == fourCC('D', 'X', 'T', '3')) {
        layout.glFormat = kGlCompressedRgbaDxt3;
        layout.blockBytes = 16;
    } else if ((flags & kPixelFormatFourCC) != 0 && code == fourCC('D', 'X', 'T', '5')) {
        layout.glFormat = kGlCompressedRgbaDxt5;
        layout.blockBytes = 16;
    } else {
        return failed(Status::UnsupportedFormat);
    }

    // Bounded by kMaxDimension: at most 4096 * 4096 * 16 bytes, well inside 32 bits.
    layout.topLevelBytes = static_cast<std::uint32_t>(compressedSize(layout.width, layout.height, layout.blockBytes));

    if (layout.pitchOrLinearSize < layout.topLevelBytes) {
        return failed(Status::LinearSizeTooSmall);
    }
    if (fileSize < layout.dataOffset || fileSize - layout.dataOffset < layout.topLevelBytes) {
        return failed(Status::DataTruncated);
    }
    layout.status = Status::Ok;
    return layout;
}

Layout parse(const std::uint8_t* bytes, std::size_t size) { return parseHeader(bytes, size, size); }

TopLevel readTopLevel(const std::string& path, std::uint64_t maxFileBytes) {
    TopLevel result;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || error) {
        return result;
    }
    const std::uintmax_t fileSize = std::filesystem::file_size(path, error);
    if (error || fileSize > maxFileBytes) {
        return result;
    }

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return result;
    }
    std::uint8_t header[kMaxHeaderBytes];
    const std::size_t headerBytes = std::fread(header, 1, sizeof header, file.get());
    // The file may have changed since it was measured; decide on what was really read.
    const std::uint64_t knownSize = headerBytes < sizeof header ? headerBytes : fileSize;
    result.layout = parseHeader(header, headerBytes, knownSize);
    if (result.layout.status != Status::Ok) {
        return result;
    }

    result.data.resize(result.layout.topLevelBytes);
    if (std::fseek(file.get(), static_cast<long>(result.layout.dataOffset), SEEK_SET) != 0 ||
        std::fread(result.data.data(), 1, result.data.size(), file.get()) != result.data.size()) {
        result.data.clear();
        result.data.shrink_to_fit();
        result.layout = failed(Status::DataTruncated);
    }
    return result;
}

}  // namespace dds
