#pragma once
// The settings reader: inih's parser core underneath, lookups by section and name without
// regard to letter case, numbers read like strtol / strtod.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

class INIReader {
public:
    // Finds the file with the upward asset search, which counts every entry standing under the
    // name as a copy, readable or not, so that a copy the game cannot read is never passed over
    // for another. A file found nowhere, that is no regular file, that cannot be read or is
    // larger than 1 MB prints one line naming `filename` and why, and leaves every lookup at
    // its default.
    explicit INIReader(std::string filename);

    // How the file's bytes are read: as read(2) does, which is the one used when none is given.
    using FileRead = ssize_t (*)(int descriptor, void* buffer, std::size_t size);

    // The same with the search already done: `resolvedPath` is where the file lies, or ""
    // when it was found nowhere. `filename` is the name the failure line reports.
    INIReader(std::string filename, const std::string& resolvedPath, FileRead readFile = nullptr);

    // The parser's side of the reading: inih's ini_parse_stream, or a function that calls the
    // line reader and the pair handler the way some build or release of it does.
    using LineReader = char* (*)(char* buffer, int size, void* stream);
    using PairHandler = int (*)(void* user, const char* section, const char* name, const char* value);
    using StreamParser = int (*)(LineReader reader, void* stream, PairHandler handler, void* user);

    // Parses settings text held in memory, exactly as a file of that content. Prints nothing.
    // `parser` is the installed inih's when null.
    static INIReader fromText(const std::string& text, StreamParser parser = nullptr);

    // 0: every line was read; > 0: the number of the first line that could not be read
    // (parsing went on to the end); -1: the file was not found, did not open or was not read.
    // A line that cannot be read is one that is no [section] header, name = value pair or
    // comment; one holding a NUL byte, which is left out whole; a pair outside any [section],
    // which no setting is looked up in; or a [section] header with more than a comment after it,
    // which starts its section while the rest of the line is left out.
    int ParseError() const { return error; }

    // The number of the first line longer than LineLimit() bytes, 0 when there is none. Of such
    // a line only its first CutLength() bytes are parsed; the rest is left out.
    int CutLine() const { return cutLine; }

    // How many bytes of the line CutLine names were parsed: LineLimit(), or up to three fewer
    // when the cut would have split a UTF-8 character, which is then left out whole.
    int CutLength() const { return cutLength; }

    // The most bytes of a line the parser took when CutLine's line was read: its line buffer
    // less the line end and the terminator (198 with inih's default buffer). 0 with no cut.
    int LineLimit() const { return lineLimit; }

    // Why the line ParseError names could not be read; empty when it names none.
    const std::string& ParseErrorReason() const { return errorReason; }

    // The stored value, or `defaultValue` when the key is absent. A key present with an
    // empty value gives "".
    std::string Get(const std::string& section, const std::string& name,
                    const std::string& defaultValue) const;

    // strtol with base 0 (decimal, 0x hexadecimal, leading 0 octal); trailing text is
    // ignored; nothing parsed gives the default. Results beyond the int range are clamped.
    int GetInteger(const std::string& section, const std::string& name, int defaultValue) const;

    // strtod; nothing parsed gives the default.
    double GetReal(const std::string& section, const std::string& name, double defaultValue) const;

    // true/yes/on/1 and false/no/off/0 in any letter case; any other text gives the default.
    bool GetBoolean(const std::string& section, const std::string& name, bool defaultValue) const;

    // The number of the first indented line that was read into the key's value as its
    // continuation, 0 when none was. A name given again keeps the number: what those lines
    // held was not read as settings of their own, whichever value counts in the end.
    int ContinuedAt(const std::string& section, const std::string& name) const;

    // A name given a value in a [section], as first written, and the number of the line that
    // first gave it.
    struct Name {
        std::string section;
        std::string name;
        int line;
    };

    // Every name given a value in a section, once each (letter case aside), in the order they
    // were first given. A pair outside any section and a pair with no name give none.
    const std::vector<Name>& Names() const { return names; }

    // lower-case(section + "=" + name)
    static std::string MakeKey(const std::string& section, const std::string& name);

    // The parser's callback for each name/value pair; `user` is the reader. A name given again
    // replaces the value it had: the last one counts. An indented line that continues a value
    // appends itself to it after a line feed, without a comment it ends in (one that begins with
    // ';' after a blank, as on any other line): inih r55 hands that comment over with the
    // line, and r59 without it. Always returns 1, so it never fails the parse.
    static int ValueHandler(void* user, const char* section, const char* name, const char* value);

private:
    INIReader() = default;

    void parseFile(const std::string& filename, const std::string& resolvedPath, FileRead readFile);
    void parseText(const std::string& text, StreamParser parser);

    // The parser's line reader, which hands over the next line of the text (a TextStream) as
    // fgets would: ending in its line end, which always fits, so the parser never sees a line
    // that fills its buffer without one (releases differ in what they do then). A longer line
    // is cut on a whole UTF-8 character and the rest of it left out; a line holding a NUL byte
    // is handed over as a blank line. Never an empty string: the end of the text is null.
    static char* ReadLine(char* buffer, int size, void* stream);

    // The line the parser is at cannot be read; the first such line is the one reported.
    void noteUnreadableLine(const std::string& reason);

    // Notes the line headerLine names, once the parser is done with it.
    void settleHeaderLine();

    int error = 0;
    std::string errorReason;
    int cutLine = 0;
    int cutLength = 0;
    int lineLimit = 0;
    std::map<std::string, std::string> values;
    std::map<std::string, int> continuedAt;
    std::vector<Name> names;

    // While parsing: the number of the line the parser is at, and the buffer it is read into.
    int lineNumber = 0;
    const char* lineBuffer = nullptr;
    int lineBufferSize = 0;
    // The line being parsed when it is a [section] header with text after it, 0 otherwise.
    int headerLine = 0;
};
