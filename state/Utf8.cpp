#include "state/Utf8.h"

#include <algorithm>
#include <iterator>

namespace {

// Whether `byte` may follow `lead` as the second byte of a well-formed character: any
// continuation byte, but A0 to BF after E0 (below is overlong), 80 to 9F after ED (above are
// surrogates), 90 to BF after F0 (below is overlong) and 80 to 8F after F4 (above is past
// U+10FFFF).
bool fitsSecond(unsigned char lead, unsigned char byte) {
    const unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    return byte >= low && byte <= high;
}

// The code point of the well-formed UTF-8 character at `at` and how many bytes it takes; a
// length of 0 when the bytes there are none: a stray continuation byte, a lead byte without all
// its continuation bytes, an overlong form, a surrogate or a code point beyond U+10FFFF.
std::size_t utf8Character(const std::string& text, std::size_t at, char32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const auto length = static_cast<std::size_t>(utf8Length(lead));
    if (length == 0 || text.size() - at < length || !fitsSecond(lead, static_cast<unsigned char>(text[at + 1]))) {
        return 0;
    }
    codePoint = lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if ((byte & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    return length;
}

// First and last code point of each run of consoleHides' characters, from the Unicode Character
// Database of Unicode 15.1 (the general categories Cc, Cf, Zl, Zp and Zs, less U+0020). Code
// points a later version assigns to these classes are shown as they stand until added here.
struct Run {
    char32_t first;
    char32_t last;
};
constexpr Run hiddenRuns[] = {
    {0x0000, 0x001F},    // C0 controls
    {0x007F, 0x00A0},    // DEL, C1 controls, no-break space
    {0x00AD, 0x00AD},    // soft hyphen
    {0x0600, 0x0605},    // Arabic number signs
    {0x061C, 0x061C},    // Arabic letter mark
    {0x06DD, 0x06DD},    // Arabic end of ayah
    {0x070F, 0x070F},    // Syriac abbreviation mark
    {0x0890, 0x0891},    // Arabic pound and piastre marks above
    {0x08E2, 0x08E2},    // Arabic disputed end of ayah
    {0x1680, 0x1680},    // Ogham space mark
    {0x180E, 0x180E},    // Mongolian vowel separator
    {0x2000, 0x200F},    // en quad to thin and hair spaces, zero width space and joiners, LRM, RLM
    {0x2028, 0x202F},    // line and paragraph separators, embeddings and overrides, narrow no-break space
    {0x205F, 0x2064},    // medium mathematical space, word joiner, invisible operators
    {0x2066, 0x206F},    // isolates and the deprecated format characters
    {0x3000, 0x3000},    // ideographic space
    {0xFEFF, 0xFEFF},    // zero width no-break space (byte order mark)
    {0xFFF9, 0xFFFB},    // interlinear annotation
    {0x110BD, 0x110BD},  // Kaithi number sign
    {0x110CD, 0x110CD},  // Kaithi number sign above
    {0x13430, 0x1343F},  // Egyptian hieroglyph format controls
    {0x1BCA0, 0x1BCA3},  // shorthand format controls
    {0x1D173, 0x1D17A},  // musical symbol beam and slur controls
    {0xE0001, 0xE0001},  // language tag
    {0xE0020, 0xE007F},  // tag characters
};

}  // namespace

bool consoleHides(char32_t codePoint) {
    // The first run whose last code point is not below it.
    const Run* run = std::lower_bound(std::begin(hiddenRuns), std::end(hiddenRuns), codePoint,
                                      [](const Run& r, char32_t c) { return r.last < c; });
    return run != std::end(hiddenRuns) && run->first <= codePoint;
}

std::size_t cutAtWholeCharacter(const char* line, std::size_t kept) {
    // A character takes at most four bytes, so its start lies at most three bytes back.
    for (std::size_t back = 1; back <= 3 && back <= kept; ++back) {
        const auto byte = static_cast<unsigned char>(line[kept - back]);
        if ((byte & 0xC0) != 0x80) {
            const auto length = static_cast<std::size_t>(utf8Length(byte));
            const bool begun = back == 1 || fitsSecond(byte, static_cast<unsigned char>(line[kept - back + 1]));
            return length > back && begun ? kept - back : kept;
        }
    }
    return kept;
}

std::string printable(const std::string& text) {
    static const char digits[] = "0123456789ABCDEF";
    std::string shown;
    const auto writeOut = [&shown](unsigned char byte) {
        shown += "\\x";
        shown += digits[byte >> 4];
        shown += digits[byte & 0xF];
    };
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        char32_t codePoint = byte;
        const std::size_t length = byte < 0x80 ? 1 : utf8Character(text, at, codePoint);
        if (byte == '\n') {
            shown += "\\n";
        } else if (byte == '\\') {
            shown += "\\\\";
        } else if (length == 0) {
            writeOut(byte);
        } else if (consoleHides(codePoint)) {
            for (std::size_t i = 0; i < length; ++i) {
                writeOut(static_cast<unsigned char>(text[at + i]));
            }
        } else {
            shown.append(text, at, length);
        }
        at += length == 0 ? 1 : length;
    }
    return shown;
}
