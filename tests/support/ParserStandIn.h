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
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <ini.h>

#include "state/INIReader.h"

namespace parser_stand_in {

struct Record {
    std::vector<std::string> pairs;    // "section|name|value" in the order handed over
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
    bool discardLongLines; // the rule of r59 and later
};

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
    Record& out = record();
    checkLine(line, handed, out);
    const std::size_t length = std::strlen(line);
    if (call.discardLongLines && length == static_cast<std::size_t>(handed - 1) && line[length - 1] != '\n') {
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
    record().pairs.push_back(std::string(section ? section : "(null)") + "|" + (name ? name : "(null)") + "|" +
                             (value ? value : "(null)"));
    return call.handler(call.user, section, name, value);
}

// The installed parser, its reader calls played as `bufferSize` and `discardLongLines` say.
template <int bufferSize, bool discardLongLines>
int parse(INIReader::LineReader reader, void* stream, INIReader::PairHandler handler, void* user) {
    record() = Record{};
    Call call{reader, stream, handler, user, bufferSize, discardLongLines};
    return ini_parse_stream(readLine, &call, handlePair, &call);
}

}  // namespace parser_stand_in
