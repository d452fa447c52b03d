#include "state/INIReader.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

#include <ini.h>

#include "framework/AssetSearch.h"

namespace {

// Settings text in memory, handed to the parser line by line.
struct TextStream {
    const char* next;
    const char* end;
    INIReader* reader;
};

// INI_MAX_LINE is the header's default only: the buffer the parser hands ReadLine is the one the
// installed library was built with, which checkParserLineLength measures.
static_assert(INIReader::maxLineLength == INI_MAX_LINE - 1,
              "the parser's line buffer holds one line and its terminator");

// A line far longer than any line buffer inih is built with by default.
constexpr int probeLineLength = 1002;

// How many bytes of a line of probeLineLength the installed parser reads. Through its own string
// reader a line longer than its buffer is cut at the buffer's end, and the value of the pair on
// it shows where; a buffer that grows as needed reads the whole line.
int parserLineLength() {
    const std::string text = "[s]\nk=" + std::string(probeLineLength - 2, 'x') + "\n";
    std::size_t valueLength = 0;
    ini_parse_string(
        text.c_str(),
        [](void* user, const char*, const char* name, const char* value) {
            if (name != nullptr && value != nullptr && std::strcmp(name, "k") == 0) {
                *static_cast<std::size_t*>(user) = std::strlen(value);
            }
            return 1;
        },
        &valueLength);
    return static_cast<int>(std::strlen("k=") + valueLength);
}

// Once a run, before the first file is parsed: one line when the installed parser reads another
// length of a line than the reader counts on, so its cuts fall elsewhere than it reports.
void checkParserLineLength() {
    static const bool checked = [] {
        const int length = parserLineLength();
        if (length != INIReader::maxLineLength) {
            std::cout << "ERROR: The installed INI parser read " << length << " bytes of a line of " << probeLineLength
                      << " where " << INIReader::maxLineLength
                      << " were expected. Long lines of the settings file are not cut where reported." << std::endl;
        }
        return true;
    }();
    static_cast<void>(checked);
}

// The settings file is a few hundred bytes; anything near this is no settings file.
constexpr std::uintmax_t maxFileSize = 1024 * 1024;

void reportLoadFailure(const std::string& filename, const std::string& reason) {
    std::cout << "ERROR: Failed to load '" << filename << "'" << (reason.empty() ? "" : " (" + reason + ")")
              << ". Using default values instead." << std::endl;
}

}  // namespace

INIReader::INIReader(std::string filename) {
    const std::string resolved = resolveAssetPath(filename);
    parseFile(filename, resolved);
}

INIReader::INIReader(std::string filename, const std::string& resolvedPath) {
    parseFile(filename, resolvedPath);
}

INIReader INIReader::fromText(const std::string& text) {
    INIReader reader;
    reader.parseText(text);
    return reader;
}

void INIReader::parseText(const std::string& text) {
    error = 0;
    TextStream stream{text.data(), text.data() + text.size(), this};
    const int malformed = ini_parse_stream(ReadLine, &stream, ValueHandler, this);
    lineBuffer = nullptr;
    if (malformed > 0 && (error == 0 || malformed < error)) {
        error = malformed;
        errorReason = "not a [section] header, a name = value pair or a comment";
    }
}

char* INIReader::ReadLine(char* buffer, int size, void* stream) {
    auto* text = static_cast<TextStream*>(stream);
    if (size <= 0 || text->next == text->end) {
        return nullptr;
    }
    const char* lineEnd = std::find(text->next, text->end, '\n');
    const char* following = lineEnd == text->end ? lineEnd : lineEnd + 1;
    if (lineEnd != text->next && lineEnd[-1] == '\r') {
        --lineEnd;
    }
    INIReader& reader = *text->reader;
    ++reader.lineNumber;
    reader.lineBuffer = buffer;
    reader.lineBufferSize = size;

    auto length = static_cast<std::size_t>(lineEnd - text->next);
    const auto room = static_cast<std::size_t>(size - 1);
    if (std::memchr(text->next, '\0', length) != nullptr) {
        // The parser would take the line to end at the NUL byte: "width = 8", NUL, "00" would
        // set a width of 8.
        reader.noteUnreadableLine("holds a NUL byte");
        length = 0;
    } else if (length > room) {
        // The parser reads what its buffer holds. The rest is left out: read as a line of its
        // own, the end of a long comment could be a setting that takes effect. A cut inside a
        // UTF-8 character moves back to the character's start (over its continuation bytes,
        // 10xxxxxx, three at most), so a long title never ends in half a character.
        const auto continuationByte = [text](std::size_t at) {
            return (static_cast<unsigned char>(text->next[at]) & 0xC0) == 0x80;
        };
        length = room;
        for (int tail = 0; tail < 3 && length > 0 && continuationByte(length); ++tail) {
            --length;
        }
        if (reader.cutLine == 0) {
            reader.cutLine = reader.lineNumber;
            reader.cutLength = static_cast<int>(length);
        }
    }
    std::memcpy(buffer, text->next, length);
    buffer[length] = '\0';
    text->next = following;
    return buffer;
}

void INIReader::noteUnreadableLine(const std::string& reason) {
    if (error == 0) {
        error = lineNumber;
        errorReason = reason;
    }
}

void INIReader::parseFile(const std::string& filename, const std::string& resolvedPath) {
    error = -1;
    if (resolvedPath.empty()) {
        reportLoadFailure(filename, "");
        return;
    }
    // Only a regular file of a settings file's size is read: a FIFO would wait for a writer and
    // a device such as /dev/zero or /dev/urandom would never end.
    std::error_code status;
    if (std::filesystem::exists(resolvedPath, status) && !std::filesystem::is_regular_file(resolvedPath, status)) {
        reportLoadFailure(filename, "not a regular file");
        return;
    }
    std::ifstream file(resolvedPath, std::ios::binary);
    if (!file) {
        reportLoadFailure(filename, "");
        return;
    }
    // Read in pieces up to one byte past the limit, which tells a file at the limit from a
    // longer one, even if it grew after it was found; a file of a few hundred bytes takes one.
    std::string text;
    char piece[4096];
    while (text.size() <= maxFileSize && file.read(piece, sizeof piece).gcount() > 0) {
        text.append(piece, static_cast<std::size_t>(file.gcount()));
    }
    if (text.size() > maxFileSize) {
        reportLoadFailure(filename, "larger than " + std::to_string(maxFileSize) + " bytes");
        return;
    }
    checkParserLineLength();
    parseText(text);
}

std::string INIReader::Get(const std::string& section, const std::string& name,
                           const std::string& defaultValue) const {
    const auto found = values.find(MakeKey(section, name));
    return found == values.end() ? defaultValue : found->second;
}

int INIReader::GetInteger(const std::string& section, const std::string& name,
                          int defaultValue) const {
    const std::string text = Get(section, name, "");
    const char* begin = text.c_str();
    char* end = nullptr;
    const long number = std::strtol(begin, &end, 0);
    if (end == begin) {
        return defaultValue;
    }
    // A long is wider than the int the settings are kept in: keep the sign, stop at the edge.
    if (number > INT_MAX) {
        return INT_MAX;
    }
    if (number < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(number);
}

double INIReader::GetReal(const std::string& section, const std::string& name,
                          double defaultValue) const {
    const std::string text = Get(section, name, "");
    const char* begin = text.c_str();
    char* end = nullptr;
    const double number = std::strtod(begin, &end);
    return end == begin ? defaultValue : number;
}

bool INIReader::GetBoolean(const std::string& section, const std::string& name,
                           bool defaultValue) const {
    std::string text = Get(section, name, "");
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (text == "true" || text == "yes" || text == "on" || text == "1") {
        return true;
    }
    if (text == "false" || text == "no" || text == "off" || text == "0") {
        return false;
    }
    return defaultValue;
}

int INIReader::ContinuedAt(const std::string& section, const std::string& name) const {
    const auto found = continuedAt.find(MakeKey(section, name));
    return found == continuedAt.end() ? 0 : found->second;
}

std::string INIReader::MakeKey(const std::string& section, const std::string& name) {
    std::string key = section + "=" + name;
    // Through unsigned char: bytes above 127 in a settings file must not reach tolower
    // as negative values.
    for (char& c : key) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

int INIReader::ValueHandler(void* user, const char* section, const char* name, const char* value) {
    // inih hands over no name only when told to report bare section headers; there is
    // nothing to store then.
    if (user == nullptr || name == nullptr) {
        return 1;
    }
    auto* reader = static_cast<INIReader*>(user);
    // The parser hands over a pair's name where it stands in the line's buffer, and the name a
    // continuation line continues from a copy of its own.
    const std::less<const char*> before;
    const bool continuation = reader->lineBuffer != nullptr &&
                              (before(name, reader->lineBuffer) ||
                               !before(name, reader->lineBuffer + reader->lineBufferSize));
    const bool inSection = section != nullptr && *section != '\0';
    const std::string key = MakeKey(inSection ? section : "", name);
    std::string& stored = reader->values[key];
    if (continuation) {
        reader->continuedAt.emplace(key, reader->lineNumber);
        if (!stored.empty()) {
            stored += '\n';
        }
        stored += value ? value : "";
        return 1;
    }
    if (!inSection) {
        reader->noteUnreadableLine("a setting outside any [section]");
    }
    stored = value ? value : "";
    return 1;
}
