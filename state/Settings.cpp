#include "state/Settings.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <set>
#include <sstream>

#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/INIReader.h"
#include "state/Utf8.h"

namespace {

constexpr double minBrightness = 0.01;
constexpr double maxBrightness = 10.0;
constexpr const char* settingsFile = "../assets/settings.ini";

// The largest window side the game accepts, in pixels. The pause snapshot is a texture of the
// window's size, and every frame sets a viewport of it: 16384 is the least that any OpenGL 4.3
// context allows for a texture side, a renderbuffer side and a viewport side, and the window
// is only ever made with a 4.3 context (or not at all). The check runs here, before the window
// and its context exist, so it cannot ask the driver for its own limits; none can be smaller.
constexpr int maxWindowSide = 16384;

// One line for a value that is not used as written: `used` is the default, or the nearest value
// the key takes when `clamped`.
template <typename Number>
void reportBadValue(const char* name, const std::string& text, const std::string& reason, Number used,
                    bool clamped = false) {
    std::cout << "ERROR: Bad value '" << printable(text) << "' for '" << name << "' in '" << settingsFile
              << "' (" << reason << "). Using " << (clamped ? "" : "default value ") << used << " instead."
              << std::endl;
}

// The whole text as one number, read like strtod; false when anything is left over after it.
bool parseReal(const std::string& text, double& number) {
    const char* begin = text.c_str();
    char* end = nullptr;
    number = std::strtod(begin, &end);
    return end != begin && *end == '\0';
}

// A decimal number with a fraction and nothing else: an optional sign, digits, a point and
// digits, with at least one digit ("120.9", "5.", ".5"). No exponent, no "inf" or "nan".
bool isDecimalFraction(const std::string& text) {
    const std::size_t digitsFrom = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    const std::size_t point = text.find_first_not_of("0123456789", digitsFrom);
    if (point == std::string::npos || text[point] != '.') {
        return false;
    }
    const bool digitBefore = point > digitsFrom;
    const bool digitAfter = point + 1 < text.size();
    return (digitBefore || digitAfter) && text.find_first_not_of("0123456789", point + 1) == std::string::npos;
}

// Why a number outside [lowest, highest] is refused; a bound at the end of the int range is no
// bound of the key's own.
template <typename Number>
std::string rangeReason(double number, Number lowest, Number highest) {
    std::ostringstream reason;
    if (highest != std::numeric_limits<Number>::max()) {
        reason << "not within " << lowest << " to " << highest;
    } else if (lowest != std::numeric_limits<Number>::lowest() && number < lowest) {
        reason << "less than " << lowest;
    } else {
        reason << "out of range";
    }
    return reason.str();
}

// The reader, and the keys the game has looked up in it so far: a name the file gives that is
// none of them is one the game does not read.
struct Lookups {
    const INIReader& reader;
    std::set<std::string> keys;
};

// Notes the key as read, and prints one line when indented lines below it were read into its
// value as its continuation: the settings they may hold are not read.
void reportContinuation(Lookups& lookups, const char* section, const char* name) {
    const INIReader& reader = lookups.reader;
    lookups.keys.insert(INIReader::MakeKey(section, name));
    const int line = reader.ContinuedAt(section, name);
    if (line > 0) {
        std::cout << "ERROR: The indented lines below '" << name << "' in '" << settingsFile << "', from line "
                  << line << ", were read as part of its value, not as settings of their own." << std::endl;
    }
}

// A number key's text: the first line of its value, without what indented lines below the key
// added to it.
std::string numberText(Lookups& lookups, const char* section, const char* name) {
    reportContinuation(lookups, section, name);
    const std::string text = lookups.reader.Get(section, name, "");
    return text.substr(0, text.find('\n'));
}

// A text key: its whole value, continuation lines joined by line feeds.
std::string readText(Lookups& lookups, const char* section, const char* name, const std::string& fallback) {
    reportContinuation(lookups, section, name);
    return lookups.reader.Get(section, name, fallback);
}

// A boolean key, read from its whole value: a value continued on indented lines is no boolean
// word and keeps the default.
bool readBoolean(Lookups& lookups, const char* section, const char* name, bool fallback) {
    reportContinuation(lookups, section, name);
    return lookups.reader.GetBoolean(section, name, fallback);
}

// An integer key, read from the value's first line. The text must be one number and nothing
// else: an integer as strtol reads it with base 0 (so "0x640" and octal "010" keep working), or
// a decimal number whose integer part is taken ("120.9" is 120). Text after the number
// ("1600px", and the exponent of "1e3") makes the value no number; a number beyond the int
// range or outside [lowest, highest] is out of range. Each of those prints one line and gives
// the default.
int readInteger(Lookups& lookups, const char* section, const char* name, int fallback,
                int lowest = INT_MIN, int highest = INT_MAX) {
    const std::string text = numberText(lookups, section, name);
    if (text.empty()) {
        return fallback;
    }
    // strtol saturates at the long range, which lies far outside the int range checked below.
    const char* begin = text.c_str();
    char* end = nullptr;
    double number = static_cast<double>(std::strtol(begin, &end, 0));
    if (end == begin || *end != '\0') {
        if (!isDecimalFraction(text)) {
            reportBadValue(name, text, "not a number", fallback);
            return fallback;
        }
        number = std::trunc(std::strtod(begin, nullptr));
    }
    if (number < lowest || number > highest) {
        reportBadValue(name, text, rangeReason(number, lowest, highest), fallback);
        return fallback;
    }
    return static_cast<int>(number);
}

// A real key, read from the value's first line: the text must be one number as strtod reads
// it, with nothing after it ("nan" is none, and no bound holds for it), or one line and the
// default. A number outside [lowest, highest] ("inf" too) is clamped to the nearer bound, after
// one line.
double readReal(Lookups& lookups, const char* section, const char* name, double fallback, double lowest,
                double highest) {
    const std::string text = numberText(lookups, section, name);
    if (text.empty()) {
        return fallback;
    }
    double number = 0.0;
    if (!parseReal(text, number) || std::isnan(number)) {
        reportBadValue(name, text, "not a number", fallback);
        return fallback;
    }
    if (number < lowest || number > highest) {
        const double nearest = number < lowest ? lowest : highest;
        reportBadValue(name, text, rangeReason(number, lowest, highest), nearest, true);
        return nearest;
    }
    return number;
}

// One line for the first line that could not be read and one for the first line that was cut,
// in the order they stand in the file.
void reportLines(const INIReader& reader) {
    const int unreadable = reader.ParseError() > 0 ? reader.ParseError() : 0;
    const int cut = reader.CutLine();
    const auto reportCut = [cut, &reader] {
        std::cout << "ERROR: Line " << cut << " of '" << settingsFile << "' is longer than "
                  << reader.LineLimit() << " bytes. Only its first " << reader.CutLength()
                  << " bytes were read." << std::endl;
    };
    const bool cutFirst = cut > 0 && (unreadable == 0 || cut <= unreadable);
    if (cutFirst) {
        reportCut();
    }
    if (unreadable > 0) {
        std::cout << "ERROR: Could not read line " << unreadable << " of '" << settingsFile << "' ("
                  << reader.ParseErrorReason() << "). Using default values for what could not be read."
                  << std::endl;
    }
    if (cut > 0 && !cutFirst) {
        reportCut();
    }
}

// One line for each name given in a section that is none of the keys looked up, naming the line
// that first gives it: a misspelt name or section would otherwise leave its key at the default
// without a word.
void reportUnknownNames(const Lookups& lookups) {
    for (const INIReader::Name& given : lookups.reader.Names()) {
        if (lookups.keys.count(INIReader::MakeKey(given.section, given.name)) == 0) {
            std::cout << "ERROR: Unknown setting '" << printable(given.name) << "' in section '"
                      << printable(given.section) << "' at line " << given.line << " of '" << settingsFile
                      << "'. It was not read." << std::endl;
        }
    }
}

}  // namespace

void loadSettings() {
    // The game clock must exist before the reader runs: it keeps the time limit.
    GameState::getInstance();
    const INIReader reader(settingsFile);
    applySettings(reader);
}

void applySettings(const INIReader& reader) {
    GameState* state = GameState::getInstance();

    reportLines(reader);
    Lookups lookups{reader, {}};

    // A window side the platform cannot give would abort inside GLFW (not positive) or
    // overflow the driver's texture and viewport limits (too large).
    windowWidth = readInteger(lookups, "window", "width", settingDefaults::windowWidth, 1, maxWindowSide);
    windowHeight = readInteger(lookups, "window", "height", settingDefaults::windowHeight, 1, maxWindowSide);
    // A frame interval needs a rate of at least one frame a second.
    refreshRate = static_cast<float>(readInteger(lookups, "window", "refreshRate", settingDefaults::refreshRate, 1));
    fullscreen = readBoolean(lookups, "window", "fullscreen", settingDefaults::fullscreen);
    windowTitle = readText(lookups, "window", "title", settingDefaults::windowTitle);
    brightness = static_cast<float>(
        readReal(lookups, "window", "brightness", settingDefaults::brightness, minBrightness, maxBrightness));
    monitorAspectRatioDetection =
        readBoolean(lookups, "window", "monitorAspectRatioDetection", settingDefaults::monitorAspectRatioDetection);
    vsync = readBoolean(lookups, "window", "vsync", settingDefaults::vsync);
    showFPS = readBoolean(lookups, "window", "showFPS", settingDefaults::showFPS);
    // A limit below a second would lose the run as soon as it starts.
    state->timeLimit = static_cast<double>(readInteger(lookups, "game", "timeLimit", settingDefaults::timeLimit, 1));
    performanceMode = readBoolean(lookups, "game", "performanceMode", settingDefaults::performanceMode);
    presentationMode = readBoolean(lookups, "debug", "presentationMode", settingDefaults::presentationMode);
    introDone = readBoolean(lookups, "debug", "skipIntro", settingDefaults::skipIntro);
    if (introDone) {
        loadingScreen = true;
    }
    reportUnknownNames(lookups);
    applyBrightness();
}

void applyBrightness() {
    // No clamp catches a brightness that is no number: it falls back to the default.
    if (std::isnan(brightness)) {
        brightness = static_cast<float>(settingDefaults::brightness);
    }
    if (brightness < minBrightness) {
        brightness = static_cast<float>(minBrightness);
    }
    if (brightness > maxBrightness) {
        brightness = static_cast<float>(maxBrightness);
    }
    gammaVector = glm::vec3(brightness / displayGamma);
}
