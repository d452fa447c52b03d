#include "state/INIReader.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <functional>
#include <iostream>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ini.h>

#include "framework/AssetSearch.h"
#include "state/Utf8.h"

namespace {

// Settings text in memory, handed to the parser line by line.
struct TextStream {
    const char* next;
    const char* end;
    INIReader* reader;
};

// The settings file is a few hundred bytes; anything near this is no settings file.
constexpr std::uintmax_t maxFileSize = 1024 * 1024;

void reportLoadFailure(const std::string& filename, const std::string& reason) {
    std::cout << "ERROR: Failed to load '" << filename << "' (" << reason << "). Using default values instead."
              << std::endl;
}

// A continuation line's text without the comment it may end in: from the first ';' that follows
// a blank, with the blanks before it. The parser takes such a comment off every other line.
std::string withoutComment(const char* text) {
    std::size_t end = 0;
    for (bool afterBlank = false; text[end] != '\0' && !(afterBlank && text[end] == ';'); ++end) {
        afterBlank = std::isspace(static_cast<unsigned char>(text[end])) != 0;
    }
    while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1])) != 0) {
        --end;
    }
    return std::string(text, end);
}

}  // namespace

INIReader::INIReader(std::string filename) {
    const std::string resolved = resolveAssetPath(filename, entryExists);
    parseFile(filename, resolved, ::read);
}

INIReader::INIReader(std::string filename, const std::string& resolvedPath, FileRead readFile) {
    parseFile(filename, resolvedPath, readFile != nullptr ? readFile : ::read);
}

INIReader INIReader::fromText(const std::string& text, StreamParser parser) {
    INIReader reader;
    reader.parseText(text, parser);
    return reader;
}

void INIReader::parseText(const std::string& text, StreamParser parser) {
    error = 0;
    TextStream stream{text.data(), text.data() + text.size(), this};
    const int malformed = (parser != nullptr ? parser : ini_parse_stream)(ReadLine, &stream, ValueHandler, this);
    settleHeaderLine();
    lineBuffer = nullptr;
    if (malformed > 0 && (error == 0 || malformed < error)) {
        error = malformed;
        errorReason = "not a [section] header, a name = value pair or a comment";
    }
}

namespace {

// Whether the line is a [section] header with more after its ']' than blanks and a comment (a ';'
// after a blank): the parser starts the section and drops the rest of the line unread, so that
// "[window] width = 640" would set nothing without a word. The parser's ']' is the first one,
// unless a comment starts before it (then the line is no header, and the parser says so).
bool textAfterHeader(const char* line, std::size_t length, bool firstLine) {
    const char* at = line;
    const char* const end = line + length;
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    // The parser passes over a byte order mark at the start of the file.
    if (firstLine && length >= 3 && std::memcmp(line, "\xEF\xBB\xBF", 3) == 0) {
        at += 3;
    }
    while (at < end && blank(*at)) {
        ++at;
    }
    if (at == end || *at != '[') {
        return false;
    }
    bool afterBlank = false;
    for (++at; at < end && *at != ']'; ++at) {
        if (afterBlank && *at == ';') {
            return false;
        }
        afterBlank = blank(*at);
    }
    if (at == end) {
        return false;
    }
    const char* const rest = ++at;
    while (at < end && blank(*at)) {
        ++at;
    }
    return at < end && !(*at == ';' && at > rest);
}

}  // namespace

char* INIReader::ReadLine(char* buffer, int size, void* stream) {
    auto* text = static_cast<TextStream*>(stream);
    INIReader& reader = *text->reader;
    // The parser is done with the line before: a header with text after it was a header, unless
    // the parser took it for the continuation of a value.
    reader.settleHeaderLine();
    // A line needs room for at least one byte: its line end, and the terminator.
    if (size < 2 || text->next == text->end) {
        return nullptr;
    }
    const char* lineEnd = std::find(text->next, text->end, '\n');
    const char* following = lineEnd == text->end ? lineEnd : lineEnd + 1;
    if (lineEnd != text->next && lineEnd[-1] == '\r') {
        --lineEnd;
    }
    ++reader.lineNumber;
    reader.lineBuffer = buffer;
    reader.lineBufferSize = size;

    auto length = static_cast<std::size_t>(lineEnd - text->next);
    // Room for the line, its line end and the terminator.
    const auto room = static_cast<std::size_t>(size - 2);
    if (std::memchr(text->next, '\0', length) != nullptr) {
        // The parser would take the line to end at the NUL byte: "width = 8", NUL, "00" would
        // set a width of 8.
        reader.noteUnreadableLine("holds a NUL byte");
        length = 0;
    } else if (length > room) {
        // The rest is left out: read as a line of its own, the end of a long comment could be a
        // setting that takes effect. A long title never ends in half a character.
        length = cutAtWholeCharacter(text->next, room);
        if (reader.cutLine == 0) {
            reader.cutLine = reader.lineNumber;
            reader.cutLength = static_cast<int>(length);
            reader.lineLimit = static_cast<int>(room);
        }
    }
    if (textAfterHeader(text->next, length, reader.lineNumber == 1)) {
        reader.headerLine = reader.lineNumber;
    }
    std::memcpy(buffer, text->next, length);
    buffer[length] = '\n';
    buffer[length + 1] = '\0';
    text->next = following;
    return buffer;
}

void INIReader::settleHeaderLine() {
    if (headerLine != 0) {
        noteUnreadableLine("text after the [section] header");
        headerLine = 0;
    }
}

void INIReader::noteUnreadableLine(const std::string& reason) {
    if (error == 0) {
        error = lineNumber;
        errorReason = reason;
    }
}

namespace {

// Closes a file descriptor when it goes.
struct OpenFile {
    int descriptor;
    ~OpenFile() {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
};

// Why a call on the file failed, from errno: a path that leads nowhere is no file at all.
std::string failureReason(int number) {
    if (number == ENOENT || number == ENOTDIR) {
        return "not found";
    }
    return "unreadable: " + std::generic_category().message(number);
}

}  // namespace

void INIReader::parseFile(const std::string& filename, const std::string& resolvedPath, FileRead readFile) {
    error = -1;
    if (resolvedPath.empty()) {
        reportLoadFailure(filename, "not found");
        return;
    }
    // Only a regular file of a settings file's size is read: a FIFO would wait for a writer and
    // a device such as /dev/zero or /dev/urandom would never end. Neither is opened; and what
    // is opened is looked at again, in case another file took the path meanwhile. O_NONBLOCK
    // keeps that open from waiting on a FIFO.
    struct stat found {};
    if (::stat(resolvedPath.c_str(), &found) != 0) {
        const int number = errno;
        // The search counts a symbolic link that leads nowhere as the file: "not found" would
        // send the player looking for a file that is there.
        struct stat link {};
        const bool dangling = (number == ENOENT || number == ENOTDIR) &&
                              ::lstat(resolvedPath.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
        reportLoadFailure(filename, dangling ? "a symbolic link whose target does not exist" : failureReason(number));
        return;
    }
    if (!S_ISREG(found.st_mode)) {
        reportLoadFailure(filename, "not a regular file");
        return;
    }
    const OpenFile file{::open(resolvedPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.descriptor < 0) {
        reportLoadFailure(filename, failureReason(errno));
        return;
    }
    if (::fstat(file.descriptor, &found) != 0 || !S_ISREG(found.st_mode)) {
        reportLoadFailure(filename, "not a regular file");
        return;
    }
    // Read in pieces up to one byte past the limit, which tells a file at the limit from a
    // longer one, even if it grew after it was found; a file of a few hundred bytes takes one.
    // A read that fails part way loads nothing: half a file could set half the settings.
    std::string text;
    char piece[4096];
    while (text.size() <= maxFileSize) {
        const ssize_t got = readFile(file.descriptor, piece, sizeof piece);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            reportLoadFailure(filename, failureReason(errno));
            return;
        }
        if (got == 0) {
            break;
        }
        text.append(piece, static_cast<std::size_t>(got));
    }
    if (text.size() > maxFileSize) {
        reportLoadFailure(filename, "larger than " + std::to_string(maxFileSize) + " bytes");
        return;
    }
    parseText(text, nullptr);
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
    const bool isNew = reader->values.count(key) == 0;
    std::string& stored = reader->values[key];
    if (continuation) {
        // An indented line that looks like a header continues the value instead.
        if (reader->headerLine == reader->lineNumber) {
            reader->headerLine = 0;
        }
        reader->continuedAt.emplace(key, reader->lineNumber);
        if (!stored.empty()) {
            stored += '\n';
        }
        stored += withoutComment(value ? value : "");
        return 1;
    }
    if (!inSection) {
        reader->noteUnreadableLine("a setting outside any [section]");
    } else if (*name != '\0' && isNew) {
        reader->names.push_back(Name{section, name, reader->lineNumber});
    }
    stored = value ? value : "";
    return 1;
}
