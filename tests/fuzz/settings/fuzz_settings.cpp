// Arbitrary bytes as a settings file: the parser, every lookup the game makes and the
// brightness clamp must take any of them without a fault; every release of the parser must
// read them alike; and a cut line must not break a character of well-formed text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "state/GlobalState.h"
#include "state/INIReader.h"
#include "state/Settings.h"
#include "support/ParserStandIn.h"

namespace {

// Strict UTF-8: no stray continuation byte, no overlong form, no surrogate, nothing past U+10FFFF.
bool wellFormedUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = 1;
        unsigned least = 0;
        unsigned codePoint = lead;
        if (lead >= 0x80) {
            if ((lead & 0xE0) == 0xC0) {
                length = 2, least = 0x80, codePoint = lead & 0x1Fu;
            } else if ((lead & 0xF0) == 0xE0) {
                length = 3, least = 0x800, codePoint = lead & 0x0Fu;
            } else if ((lead & 0xF8) == 0xF0) {
                length = 4, least = 0x10000, codePoint = lead & 0x07u;
            } else {
                return false;
            }
        }
        if (text.size() - at < length) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            const auto byte = static_cast<unsigned char>(text[at + i]);
            if ((byte & 0xC0) != 0x80) {
                return false;
            }
            codePoint = (codePoint << 6) | (byte & 0x3Fu);
        }
        if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        at += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const INIReader reader = INIReader::fromText(text);
    applySettings(reader);
    if (wellFormedUtf8(text) && !wellFormedUtf8(windowTitle)) {
        std::abort();
    }

    // A few lookups with section and name taken from the input's first line.
    const std::string::size_type cut = text.find('\n');
    const std::string head = text.substr(0, cut == std::string::npos ? text.size() : cut);
    reader.Get(head, head, "");
    reader.GetInteger(head, "width", 0);
    reader.GetReal("window", head, 0.0);
    reader.GetBoolean(head, head, false);

    // The installed parser, and the same with the rules later releases follow after a line that
    // fills the buffer without a line end and on a continuation line's comment: the same names
    // and values, and no line outside fgets's contract.
    const INIReader installed = INIReader::fromText(text, parser_stand_in::parse<0, false>);
    const parser_stand_in::Record lineAfterLine = parser_stand_in::record();
    const INIReader later = INIReader::fromText(text, parser_stand_in::parse<0, true>);
    const parser_stand_in::Record& laterRelease = parser_stand_in::record();
    if (!lineAfterLine.faults.empty() || !laterRelease.faults.empty() || laterRelease.discardedReads != 0 ||
        laterRelease.names != lineAfterLine.names ||
        parser_stand_in::storedValues(later, laterRelease) !=
            parser_stand_in::storedValues(installed, lineAfterLine) ||
        later.ParseError() != installed.ParseError() ||
        later.CutLength() != installed.CutLength() || installed.ParseError() != reader.ParseError()) {
        std::abort();
    }
    return 0;
}
