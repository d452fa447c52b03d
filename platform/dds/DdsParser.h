#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A strict reader of DDS files holding S3TC-compressed 2D images (DXT1, DXT3, DXT5, and the
// same three as BC1, BC2, BC3 in files with the DX10 extension header). Nothing read from a
// file is trusted: every size is checked against the bytes actually present before it is
// used, dimensions are bounded, and no allocation is sized from a header field.
//
// File layout (little-endian): "DDS " magic; 124-byte header (height at file offset 12, width
// at 16, pitch-or-linear-size at 20, the 32-byte pixel format at 76 with its flags at 80 and
// FourCC at 84). With FourCC "DX10" a 20-byte extension header follows at 128 (DXGI format,
// resource dimension, misc flags, array size, misc flags 2), and the pixel data starts at 148;
// otherwise it starts at 128. Only the top level is read; the smaller levels after it are not.
namespace dds {

// OpenGL's S3TC formats. The sRGB variants and the RGB variant of DXT1 all map onto these
// linear RGBA formats.
constexpr std::uint32_t kGlCompressedRgbaDxt1 = 0x83F1;
constexpr std::uint32_t kGlCompressedRgbaDxt3 = 0x83F2;
constexpr std::uint32_t kGlCompressedRgbaDxt5 = 0x83F3;

constexpr std::size_t kPlainDataOffset = 128;
constexpr std::size_t kDx10DataOffset = 148;
// Enough bytes from the start of a file for parseHeader to decide.
constexpr std::size_t kMaxHeaderBytes = kDx10DataOffset;
// Largest accepted width or height, in pixels (the largest texture OpenGL drivers offer).
constexpr std::uint32_t kMaxDimension = 16384;
// readTopLevel refuses larger files outright.
constexpr std::uint64_t kMaxFileBytes = 512ull * 1024 * 1024;

enum class Status {
    Ok,
    Unreadable,          // cannot be opened or read as a regular file, or larger than the cap
    BadMagic,            // the first four bytes are not "DDS "
    BadHeader,           // header cut short, DX10 header not of a 2D texture
    BadDimensions,       // width or height zero or above kMaxDimension
    UnsupportedFormat,   // a well-formed header of any format other than DXT1/3/5 (BC1/2/3)
    LinearSizeTooSmall,  // the pitch-or-linear-size field is below the top level's byte size
    DataTruncated,       // the file ends before the top level's data does
};

// True for the failures that mean "this is not a texture file we can read" (as opposed to an
// unsupported format, or a readable header whose data is short).
bool isUnreadableTexture(Status status);

struct Layout {
    Status status = Status::Unreadable;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t glFormat = 0;
    std::uint32_t blockBytes = 0;     // 8 for DXT1, 16 for DXT3 and DXT5
    std::uint32_t topLevelBytes = 0;  // ((width + 3) / 4) * ((height + 3) / 4) * blockBytes
    std::uint32_t pitchOrLinearSize = 0;
    std::uint32_t dataOffset = 0;     // 128, or 148 with the DX10 header
    bool dx10 = false;
};

// Byte size of an S3TC image: whole 4x4 blocks in each direction.
std::uint64_t compressedSize(std::uint32_t width, std::uint32_t height, std::uint32_t blockBytes);

// Decides on a file from its first `available` bytes (at least min(fileSize, kMaxHeaderBytes)
// are needed) and its full length `fileSize`. Reads at most `available` bytes from `bytes`.
Layout parseHeader(const std::uint8_t* bytes, std::size_t available, std::uint64_t fileSize);

// parseHeader on a whole file held in memory.
Layout parse(const std::uint8_t* bytes, std::size_t size);

struct TopLevel {
    Layout layout;
    std::vector<std::uint8_t> data;  // topLevelBytes of compressed blocks when layout.status is Ok
};

// Reads a file's header and its top level only. Files above `maxFileBytes` are Unreadable.
TopLevel readTopLevel(const std::string& path, std::uint64_t maxFileBytes = kMaxFileBytes);

}  // namespace dds
