#pragma once
// Stand-ins for the parser's side of the settings reader: the installed inih parser, called
// through a layer that plays how other releases and builds of it call the line reader, checks
// every line the reader hands over against fgets's contract, and records each pair the parser
// hands the reader's handler.
//
// The releases differ in what follows a line that fills the parser's buffer without a line end.
// Up to r58 the parser takes it as a line like any other. From r59 on it reads the rest of that
// line with its own 16-byte buffer, calling the reader again until what it returns ends in '\n',
// reading the last byte of each string returned, and counts the line as an error.
//
// They differ too in an indented line that continues a value: r55 hands it over with the comment
// it ends in (from a ';' after a blank on), r59 takes that comment off as on any other line.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <ini.h>

#include "state/INIReader.h"

namespace parser_stand_in {

struct Record {
    std::vector<std::string> pairs;    // "section|name|value" in the order handed over
    std::vector<std::pair<std::string, std::string>> names;  // each pair's section and name
    std::vector<std::string> faults;   // lines that break fgets's contract, and why
    int discardedReads = 0;            // calls for the rest of a line that filled the buffer
};

// The record of the last parse through a stand-in.
inline Record& record() {
    static Record last;
    return last;
}

struct Call {
    INIReader::LineReader reader;
    void* stream;
    INIReader::PairHandler handler;
    void* user;
    int bufferSize;        // what the reader is handed; 0: the installed parser's buffer
    bool laterRelease;     // the rules of r59 and later
    const char* line;      // the parser's line buffer, once it has read a line
    int lineSize;
};

// A continuation line as r59 hands it over: up to the first ';' that follows a blank, without
// the blanks before it.
inline std::string withoutInlineComment(const char* text) {
    std::string kept;
    bool wasSpace = false;
    for (const char* at = text; *at != '\0' && !(wasSpace && *at == ';'); ++at) {
        wasSpace = std::isspace(static_cast<unsigned char>(*at)) != 0;
        kept += *at;
    }
    while (!kept.empty() && std::isspace(static_cast<unsigned char>(kept.back())) != 0) {
        kept.pop_back();
    }
    return kept;
}

// What fgets promises of a line read into `size` bytes: no more than size - 1 bytes and the
// terminator, never an empty string, a '\n' only as the last byte.
inline void checkLine(const char* line, int size, Record& out) {
    const void* terminator = std::memchr(line, '\0', static_cast<std::size_t>(size));
    if (terminator == nullptr) {
        out.faults.push_back("no terminator within the buffer");
        return;
    }
    const std::size_t length = std::strlen(line);
    if (length == 0) {
        out.faults.push_back("an empty string before the end of the text");
    } else if (const char* lineEnd = std::strchr(line, '\n'); lineEnd != nullptr && lineEnd != line + length - 1) {
        out.faults.push_back("a line end before the last byte: " + std::string(line));
    }
}

inline char* readLine(char* buffer, int size, void* context) {
    Call& call = *static_cast<Call*>(context);
    const int handed = call.bufferSize > 0 ? std::min(size, call.bufferSize) : size;
    char* line = call.reader(buffer, handed, call.stream);
    if (line == nullptr) {
        return nullptr;
    }
    call.line = buffer;
    call.lineSize = size;
    Record& out = record();
    checkLine(line, handed, out);
    const std::size_t length = std::strlen(line);
    if (call.laterRelease && length == static_cast<std::size_t>(handed - 1) && line[length - 1] != '\n') {
        char abyss[16];
        while (call.reader(abyss, sizeof abyss, call.stream) != nullptr) {
            ++out.discardedReads;
            checkLine(abyss, sizeof abyss, out);
            // The parser reads abyss[strlen(abyss) - 1]: before an empty string's first byte.
            if (abyss[0] == '\0' || abyss[std::strlen(abyss) - 1] == '\n') {
                break;
            }
        }
    }
    return line;
}

inline int handlePair(void* context, const char* section, const char* name, const char* value) {
    const Call& call = *static_cast<Call*>(context);
    // The parser hands over a continuation line under a copy of the name it continues, and a
    // pair's name where it stands in the line buffer.
    const bool continuation = name != nullptr && value != nullptr && call.line != nullptr &&
                              (std::less<const char*>()(name, call.line) ||
                               !std::less<const char*>()(name, call.line + call.lineSize));
    std::string handed = value ? value : "";
    if (continuation && call.laterRelease) {
        handed = withoutInlineComment(value);
    }
    record().names.emplace_back(section ? section : "", name ? name : "");
    record().pairs.push_back(std::string(section ? section : "(null)") + "|" + (name ? name : "(null)") + "|" +
                             (value ? handed : "(null)"));
    return call.handler(call.user, section, name, value ? handed.c_str() : nullptr);
}

// The installed parser, its reader calls and continuation lines played as `bufferSize` and
// `laterRelease` say.
template <int bufferSize, bool laterRelease>
int parse(INIReader::LineReader reader, void* stream, INIReader::PairHandler handler, void* user) {
    record() = Record{};
    Call call{reader, stream, handler, user, bufferSize, laterRelease, nullptr, 0};
    return ini_parse_stream(readLine, &call, handlePair, &call);
}

// What `reader` holds under each name the record's pairs were handed over with, in their order:
// "section|name|value". Two releases read a text alike when these are the same.
inline std::vector<std::string> storedValues(const INIReader& reader, const Record& parsed) {
    std::vector<std::string> stored;
    for (const auto& [section, name] : parsed.names) {
        stored.push_back(section + "|" + name + "|" + reader.Get(section, name, "(absent)"));
    }
    return stored;
}

}  // namespace parser_stand_in
