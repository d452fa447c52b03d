#pragma once
// Image helpers shared by the screen tests.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include <GlContext.h>
#include <PixelReadback.h>

#include <DdsBytes.h>

namespace screensgl {

// Pixel box, inclusive, in window coordinates (y up).
struct Box {
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
    bool empty() const { return x0 > x1; }
    void add(int x, int y) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
};

// The box of every pixel whose red channel is above `threshold` (text drawn on black).
inline Box litBox(const testgl::Pixels& frame, int threshold = 40) {
    Box box;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            if (frame.at(x, y)[0] > threshold) {
                box.add(x, y);
            }
        }
    }
    return box;
}

inline std::uint16_t rgb565(int r, int g, int b) {
    return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// One DXT5 block of a single colour and alpha.
inline void appendSolidBlock(std::vector<std::uint8_t>& data, int r, int g, int b, int a) {
    const std::uint16_t c = rgb565(r, g, b);
    const std::uint8_t block[16] = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(a), 0, 0, 0, 0, 0, 0,
                                    static_cast<std::uint8_t>(c & 0xff), static_cast<std::uint8_t>(c >> 8),
                                    static_cast<std::uint8_t>(c & 0xff), static_cast<std::uint8_t>(c >> 8),
                                    0, 0, 0, 0};
// GCC 14 warns here that the copy in vector::insert writes 16 bytes past a fresh 32-byte buffer
// (-Wstringop-overflow), a size it takes from a growth path it cannot rule out. A bare vector of
// bytes given four 16-byte inserts draws the same warning, and runs clean under AddressSanitizer
// with the library's assertions on: a false positive of the compiler, not a fault of this copy.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif
    data.insert(data.end(), block, block + 16);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
}

struct Rgba {
    int r, g, b, a;
};

// A DXT5 file of 8 x 8 pixels: its top half (the first rows of the file) one colour, the bottom
// half another.
inline std::vector<unsigned char> twoToneDds(Rgba top, Rgba bottom) {
    testdds::DdsDescription desc;
    desc.width = 8;
    desc.height = 8;
    for (int blockRow = 0; blockRow < 2; ++blockRow) {
        const Rgba& c = blockRow == 0 ? top : bottom;
        for (int blockColumn = 0; blockColumn < 2; ++blockColumn) {
            appendSolidBlock(desc.data, c.r, c.g, c.b, c.a);
        }
    }
    const std::vector<std::uint8_t> bytes = testdds::buildDds(desc);
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

inline std::vector<unsigned char> solidDds(Rgba c) { return twoToneDds(c, c); }

}  // namespace screensgl
