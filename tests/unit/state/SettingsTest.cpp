#include "state/Settings.h"

#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "support/CaptureStdout.h"
#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/INIReader.h"

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        resetStateForTests();
        GameState::getInstance()->timeLimit = -1.0;  // so a test sees that it was written
    }
    void TearDown() override { resetStateForTests(); }

    // Applies settings text and returns what was printed meanwhile.
    static std::string apply(const std::string& text) {
        const INIReader reader = INIReader::fromText(text);
        CaptureStdout out;
        applySettings(reader);
        return out.text();
    }

    static void expectDefaults() {
        EXPECT_EQ(windowWidth, 1280);
        EXPECT_EQ(windowHeight, 768);
        EXPECT_FLOAT_EQ(refreshRate, 60.0f);
        EXPECT_FALSE(fullscreen);
        EXPECT_EQ(windowTitle, "QUARVELLINE");
        EXPECT_FLOAT_EQ(brightness, 1.0f);
        EXPECT_FLOAT_EQ(gammaVector.x, 1.0f / 2.2f);
        EXPECT_FLOAT_EQ(gammaVector.y, 1.0f / 2.2f);
        EXPECT_FLOAT_EQ(gammaVector.z, 1.0f / 2.2f);
        EXPECT_FALSE(monitorAspectRatioDetection);
        EXPECT_TRUE(vsync);
        EXPECT_FALSE(showFPS);
        EXPECT_DOUBLE_EQ(GameState::getInstance()->timeLimit, 90.0);
        EXPECT_FALSE(performanceMode);
        EXPECT_FALSE(presentationMode);
        EXPECT_FALSE(introDone);
        EXPECT_FALSE(loadingScreen);
    }
};

}  // namespace

TEST_F(Settings, EmptyOrCommentOnlyFilesPrintNothingAndKeepEveryDefault) {
    for (const char* text : {"", "; nothing here\n# nor here\n[window]\n[game]\n[debug]\n"}) {
        EXPECT_EQ(apply(text), "") << text;
        expectDefaults();
    }
}

TEST_F(Settings, MissingFileKeepsEveryDefault) {
    CaptureStdout out;
    const INIReader reader("../assets/settings.ini", "");
    applySettings(reader);
    EXPECT_EQ(out.text(),
              "ERROR: Failed to load '../assets/settings.ini' (not found). Using default values instead.\n");
    expectDefaults();
}

TEST_F(Settings, EveryKeyIsReadFromItsSection) {
    EXPECT_EQ(apply("[window]\nwidth = 1920\nheight = 1080\nrefreshRate = 144\nfullscreen = true\n"
                    "title = Thief\nbrightness = 1.5\nmonitorAspectRatioDetection = on\n"
                    "vsync = off\nshowFPS = yes\n"
                    "[game]\ntimeLimit = 120\nperformanceMode = 1\n"
                    "[debug]\npresentationMode = true\nskipIntro = true\n"),
              "");
    EXPECT_EQ(windowWidth, 1920);
    EXPECT_EQ(windowHeight, 1080);
    EXPECT_FLOAT_EQ(refreshRate, 144.0f);
    EXPECT_TRUE(fullscreen);
    EXPECT_EQ(windowTitle, "Thief");
    EXPECT_FLOAT_EQ(brightness, 1.5f);
    EXPECT_FLOAT_EQ(gammaVector.x, 1.5f / 2.2f);
    EXPECT_TRUE(monitorAspectRatioDetection);
    EXPECT_FALSE(vsync);
    EXPECT_TRUE(showFPS);
    EXPECT_DOUBLE_EQ(GameState::getInstance()->timeLimit, 120.0);
    EXPECT_TRUE(performanceMode);
    EXPECT_TRUE(presentationMode);
    EXPECT_TRUE(introDone);
    EXPECT_TRUE(loadingScreen);
}

TEST_F(Settings, CapitalisedSectionAndNameStillMatch) {
    apply("[WINDOW]\nWidth = 1600\n");
    EXPECT_EQ(windowWidth, 1600);
}

TEST_F(Settings, NumberValues) {
    const struct {
        const char* name;
        std::string value;
        double read;         // the value the key ends with
        const char* reason;  // of the one console line; none when the value is taken
        const char* shown;   // the value as the line quotes it, when it differs
    } cases[] = {
        {"width", "0x640", 1600, nullptr, nullptr},
        {"width", "010", 8, nullptr, nullptr},
        {"width", "16384", 16384, nullptr, nullptr},
        {"width", "1", 1, nullptr, nullptr},
        {"width", "", 1280, nullptr, nullptr},  // no value at all: silently the default
        // 16384 is the least texture and viewport side an OpenGL 4.3 context allows.
        {"width", "0", 1280, "not within 1 to 16384", nullptr},
        {"width", "16385", 1280, "not within 1 to 16384", nullptr},
        {"width", "99999999", 1280, "not within 1 to 16384", nullptr},
        {"height", "-5", 768, "not within 1 to 16384", nullptr},
        {"height", "-99999999999", 768, "not within 1 to 16384", nullptr},
        {"width", "1600px", 1280, "not a number", nullptr},
        {"width", "wide", 1280, "not a number", nullptr},
        {"width", "1e3", 1280, "not a number", nullptr},
        {"width", "12\x1B[2J", 1280, "not a number", "12\\x1B[2J"},
        // C1 controls (0x9B is the 8-bit CSI), the no-break space and bytes of no well-formed
        // UTF-8 are written out too; other characters stay as they are.
        {"width", "\xC2\x9B" "31m", 1280, "not a number", "\\xC2\\x9B31m"},
        {"width", "\xC2\x80\xC2\x9F\xC2\xA0\xC2\xA1\xF0\x9F\x98\x80", 1280, "not a number",
         "\\xC2\\x80\\xC2\\x9F\\xC2\\xA0\xC2\xA1\xF0\x9F\x98\x80"},
        {"width", "\xFF\xC0\x9B\xED\xA0\x80\xE2\x82" "1", 1280, "not a number",
         "\\xFF\\xC0\\x9B\\xED\\xA0\\x80\\xE2\\x821"},
        // DEL; U+07FF in three bytes, an overlong form; a form past U+10FFFF; and beside them the
        // least 3-byte character U+0800, the fullwidth A (lead EF) and U+10FFFD, which stay.
        {"width", "8\x7F", 1280, "not a number", "8\\x7F"},
        {"width", "\xE0\x9F\xBF" "1", 1280, "not a number", "\\xE0\\x9F\\xBF1"},
        {"width", "\xF4\x90\x80\x80" "1", 1280, "not a number", "\\xF4\\x90\\x80\\x801"},
        {"width", "\xE0\xA0\x80\xEF\xBC\xA1\xF4\x8F\xBF\xBD", 1280, "not a number", nullptr},
        // The line and paragraph separators and the bidirectional controls break the line or
        // reorder it, and the zero width joiner, the narrow no-break space and U+206A show as
        // nothing or as a blank; the hyphen U+2010 and the unassigned U+2065 beside them stay.
        {"width", "\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\x8E\xE2\x80\x8F", 1280, "not a number",
         "\\xE2\\x80\\xA8\\xE2\\x80\\xA9\\xE2\\x80\\x8E\\xE2\\x80\\x8F"},
        {"width", "\xE2\x80\xAA\xE2\x80\xAE\xE2\x81\xA6\xE2\x81\xA9", 1280, "not a number",
         "\\xE2\\x80\\xAA\\xE2\\x80\\xAE\\xE2\\x81\\xA6\\xE2\\x81\\xA9"},
        {"width", "\xE2\x80\x8D\xE2\x80\x90\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA", 1280, "not a number",
         "\\xE2\\x80\\x8D\xE2\x80\x90\\xE2\\x80\\xAF\xE2\x81\xA5\\xE2\\x81\\xAA"},
        // A backslash is written out too: typed "\x1B" and a real ESC byte read differently.
        {"width", "\\x1B", 1280, "not a number", "\\\\x1B"},
        {"width", "\x1B", 1280, "not a number", "\\x1B"},
        {"refreshRate", "144", 144, nullptr, nullptr},
        {"refreshRate", "59.94", 59, nullptr, nullptr},
        {"refreshRate", "0", 60, "less than 1", nullptr},
        {"refreshRate", "-30", 60, "less than 1", nullptr},
        {"refreshRate", "144Hz", 60, "not a number", nullptr},
        {"timeLimit", "120.9", 120, nullptr, nullptr},
        {"timeLimit", "1", 1, nullptr, nullptr},
        {"timeLimit", "0", 90, "less than 1", nullptr},
        {"timeLimit", "-1", 90, "less than 1", nullptr},
        {"timeLimit", "-0", 90, "less than 1", nullptr},
        {"timeLimit", "0.5", 90, "less than 1", nullptr},
        {"timeLimit", "99999999999", 90, "out of range", nullptr},
        {"timeLimit", "1" + std::string(180, '0') + ".5", 90, "out of range", nullptr},
        {"timeLimit", "1e30", 90, "not a number", nullptr},
        {"timeLimit", "1.5e2", 90, "not a number", nullptr},
        {"timeLimit", "inf", 90, "not a number", nullptr},
        {"brightness", "1.5", 1.5, nullptr, nullptr},
        {"brightness", "0.01", 0.01, nullptr, nullptr},
        {"brightness", "1e-2", 0.01, nullptr, nullptr},
        {"brightness", "10", 10, nullptr, nullptr},
        // Outside its range a brightness is clamped; no bound holds for nan.
        {"brightness", "0", 0.01, "not within 0.01 to 10", nullptr},
        {"brightness", "-1", 0.01, "not within 0.01 to 10", nullptr},
        {"brightness", "50", 10, "not within 0.01 to 10", nullptr},
        {"brightness", "1e3", 10, "not within 0.01 to 10", nullptr},
        {"brightness", "inf", 10, "not within 0.01 to 10", nullptr},
        {"brightness", "nan", 1, "not a number", nullptr},
        {"brightness", "0.5x", 1, "not a number", nullptr},
    };
    const std::map<std::string, std::pair<int, std::function<double()>>> keys = {
        {"width", {1280, [] { return windowWidth; }}},
        {"height", {768, [] { return windowHeight; }}},
        {"refreshRate", {60, [] { return refreshRate; }}},
        {"timeLimit", {90, [] { return GameState::getInstance()->timeLimit; }}},
        {"brightness", {1, [] { return brightness; }}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " = " + c.value);
        const auto& [fallback, read] = keys.at(c.name);
        const std::string section = std::string(c.name) == "timeLimit" ? "game" : "window";
        const std::string printed = apply("[" + section + "]\n" + c.name + " = " + c.value + "\n");
        EXPECT_FLOAT_EQ(static_cast<float>(read()), static_cast<float>(c.read));
        if (c.reason == nullptr) {
            EXPECT_EQ(printed, "");
        } else {
            // The line names the value used: the default, or the bound a value was clamped to.
            std::ostringstream used;
            if (c.read == fallback) {
                used << "default value ";
            }
            used << c.read;
            EXPECT_EQ(printed, "ERROR: Bad value '" + (c.shown ? std::string(c.shown) : c.value) + "' for '" +
                                   c.name + "' in '../assets/settings.ini' (" + c.reason + "). Using " + used.str() +
                                   " instead.\n");
        }
    }
}

// What the file gives the title reaches the window as it stands: nothing of the console's
// quoting of bad values is done to it.
TEST_F(Settings, TheTitleKeepsEveryByteTheFileGivesIt) {
    const std::string title = "C:\\x1B \\ \xC3\xA9 \x1B[31m \xE2\x80\xAE \x7F \xC2\x9B \xFF";
    EXPECT_EQ(apply("[window]\ntitle = " + title + "\n"), "");
    EXPECT_EQ(windowTitle, title);
}

// A name given in a section that the game does not read, each once, at the line that first
// gives it; the settings it stands beside are read as ever.
TEST_F(Settings, NamesTheGameDoesNotReadEachGetALine) {
    const auto unknown = [](const std::string& name, const std::string& section, int line) {
        return "ERROR: Unknown setting '" + name + "' in section '" + section + "' at line " + std::to_string(line) +
               " of '../assets/settings.ini'. It was not read.\n";
    };
    const std::string text =
        "[window]\n"                              // 1
        "widht = 800\n"                           // 2
        "Width = 900\n"                           // 3
        "WIDHT = 1\n"                             // 4: named once, at line 2
        "timeLimit = 30\n"                        // 5: a key of another section
        "\xC2\xA0height = 600\n"                  // 6: a no-break space in front
        "\xEF\xBB\xBFvsync = no\n"                // 7: a byte order mark in front
        "= 5\n"                                   // 8: no name, passed over
        "[windw]\n"                               // 9
        "fullscreen = yes\n"                      // 10
        "[ window ]\n"                            // 11
        "showFPS = on\n"                          // 12
        "[game]\n"                                // 13
        "time\x1BLimit = 5\n"                     // 14
        "[debug]\n"                               // 15
        "note = a\n"                              // 16
        "  skipIntro = yes\n"                     // 17: part of note's value
        "SKIPINTRO = on\n"                        // 18
        "[win\x1B[2Jdow]\n"                       // 19: an escape sequence in a section name
        "width = 5\n";                            // 20
    EXPECT_EQ(apply(text), unknown("widht", "window", 2) + unknown("timeLimit", "window", 5) +
                               unknown("\\xC2\\xA0height", "window", 6) +
                               unknown("\\xEF\\xBB\\xBFvsync", "window", 7) + unknown("fullscreen", "windw", 10) +
                               unknown("showFPS", " window ", 12) + unknown("time\\x1BLimit", "game", 14) +
                               unknown("note", "debug", 16) + unknown("width", "win\\x1B[2Jdow", 20));
    EXPECT_EQ(windowWidth, 900);
    EXPECT_EQ(windowHeight, 768);
    EXPECT_TRUE(vsync);
    EXPECT_FALSE(fullscreen);
    EXPECT_FALSE(showFPS);
    EXPECT_DOUBLE_EQ(GameState::getInstance()->timeLimit, 90.0);
    EXPECT_TRUE(introDone);

    // A pair outside any section is a line that could not be read, and said to be so alone.
    EXPECT_EQ(apply("widht = 800\n[window]\n"),
              "ERROR: Could not read line 1 of '../assets/settings.ini' (a setting outside any [section]). "
              "Using default values for what could not be read.\n");
}

TEST_F(Settings, FullscreenWords) {
    apply("[window]\nfullscreen = Yes\n");
    EXPECT_TRUE(fullscreen);
    apply("[window]\nfullscreen = ON\n");
    EXPECT_TRUE(fullscreen);
    apply("[window]\nfullscreen = y\n");
    EXPECT_FALSE(fullscreen);
}

TEST_F(Settings, BrightnessGivesGamma) {
    apply("[window]\nbrightness = 2.2\n");
    EXPECT_EQ(gammaVector, glm::vec3(1.0f));
    apply("[window]\nbrightness = 10\n");
    EXPECT_NEAR(gammaVector.y, 4.545f, 0.001f);
}

TEST_F(Settings, NotANumberBrightnessAtRunTimeTakesTheDefault) {
    brightness = std::numeric_limits<float>::quiet_NaN();
    applyBrightness();
    EXPECT_FLOAT_EQ(brightness, 1.0f);
}

TEST_F(Settings, ApplyBrightnessAtRunTime) {
    brightness = 0.005f;
    applyBrightness();
    EXPECT_FLOAT_EQ(brightness, 0.01f);
    brightness = 10.5f;
    applyBrightness();
    EXPECT_FLOAT_EQ(brightness, 10.0f);
    brightness = 4.4f;
    applyBrightness();
    EXPECT_FLOAT_EQ(brightness, 4.4f);
    EXPECT_FLOAT_EQ(gammaVector.x, 2.0f);
}

TEST_F(Settings, SkipIntroSetsLoadingScreenOnlyWhenTrue) {
    apply("[debug]\nskipIntro = true\n");
    EXPECT_TRUE(introDone);
    EXPECT_TRUE(loadingScreen);

    loadingScreen = true;
    apply("[debug]\nskipIntro = false\n");
    EXPECT_FALSE(introDone);
    EXPECT_TRUE(loadingScreen);

    loadingScreen = false;
    apply("[debug]\nskipIntro = false\n");
    EXPECT_FALSE(introDone);
    EXPECT_FALSE(loadingScreen);
}

TEST_F(Settings, EmptyTitleIsKept) {
    apply("[window]\ntitle =\n");
    EXPECT_EQ(windowTitle, "");
}

TEST_F(Settings, KeyInTheWrongSectionIsNotFound) {
    apply("[window]\ntimeLimit = 30\n[game]\nwidth = 640\n");
    EXPECT_DOUBLE_EQ(GameState::getInstance()->timeLimit, 90.0);
    EXPECT_EQ(windowWidth, 1280);
}

TEST_F(Settings, WholeFiles) {
    const auto unreadable = [](int line, const std::string& reason) {
        return "ERROR: Could not read line " + std::to_string(line) + " of '../assets/settings.ini' (" + reason +
               "). Using default values for what could not be read.\n";
    };
    const auto cut = [](int line, int read = 198) {
        return "ERROR: Line " + std::to_string(line) + " of '../assets/settings.ini' is longer than 198 bytes. " +
               "Only its first " + std::to_string(read) + " bytes were read.\n";
    };
    const auto continued = [](int line, const std::string& name) {
        return "ERROR: The indented lines below '" + name + "' in '../assets/settings.ini', from line " +
               std::to_string(line) + ", were read as part of its value, not as settings of their own.\n";
    };
    const std::string malformed = "not a [section] header, a name = value pair or a comment";
    const std::string outside = "a setting outside any [section]";
    const std::string afterHeader = "text after the [section] header";
    const std::string x186(186, 'x'), x197(197, 'x'), x250(250, 'x');
    const std::string title190(190, 't'), title191(191, 't');  // lines of 198 and 199 bytes
    const std::string title187(187, 't');  // with three two-byte letters, a line of 201 bytes
    const std::string longComment = "; " + std::string(198, 'x');

    const struct {
        const char* what;
        std::string text;
        std::string printed;
        int width;
        double timeLimit;
        std::string title;
        bool fullscreen;
    } cases[] = {
        // The parser's buffer holds 198 bytes of a line and its line end. What a longer line
        // holds past them is left out: read as a line of its own, a comment could end in a
        // setting.
        {"long comment under [game]", "[game]\n; " + x197 + "timeLimit = -1\n", cut(2), 1280, 90, "QUARVELLINE",
         false},
        {"long comment under [window]", "[window]\n; old value: " + x186 + "width = 800\nfullscreen = yes\n",
         cut(2), 1280, 90, "QUARVELLINE", true},
        {"line of 198 bytes", "[window]\ntitle = " + title190 + "\n", "", 1280, 90, title190, false},
        {"line of 198 bytes and CR LF", "[window]\r\ntitle = " + title190 + "\r\nwidth = 640\r\n", "", 640, 90,
         title190, false},
        {"line of 199 bytes", "[window]\ntitle = " + title191 + "\nwidth = 640\n", cut(2), 640, 90, title190,
         false},
        // Byte 198 is the first half of the second é: the cut leaves out the whole letter.
        {"cut inside a two-byte letter", "[window]\ntitle = " + title187 + "ééé\nwidth = 640\n", cut(2, 197), 640,
         90, title187 + "é", false},
        // With CR alone between lines the file is one line: a header, and the rest unread.
        {"CR line ends", "[window]\rwidth = 640\rfullscreen = yes\r", unreadable(1, afterHeader), 1280, 90,
         "QUARVELLINE", false},
        {"CR line ends, a long file", "[window]\rtitle = A\r; " + x250 + "\r", cut(1) + unreadable(1, afterHeader),
         1280, 90, "QUARVELLINE", false},
        // A header starts its section whatever follows it on its line; only a comment there is
        // read, and an indented header below a pair is part of the pair's value.
        {"a setting on its header's line",
         "\xEF\xBB\xBF[window] width = 640\nfullscreen = yes\n[game]\ttimeLimit = 30\n",
         unreadable(1, afterHeader), 1280, 90, "QUARVELLINE", true},
        {"comments on headers' lines, an indented header in a value",
         "[window] ; c\ntitle = A\n  [game] timeLimit = 30\n[game]\t;c\ntimeLimit = 20\n", continued(3, "title"),
         1280, 20, "A\n[game] timeLimit = 30", false},
        {"CR line ends, a pair first", "width = 640\r[window]\rfullscreen = yes\r", unreadable(1, outside), 1280,
         90, "QUARVELLINE", false},
        // No name: the pair is passed over, and an indented line below it is a pair of its own.
        {"a pair with no name", "[window]\n= 800\n  width = 640\n", "", 640, 90, "QUARVELLINE", false},
        // A header with nothing in its brackets starts no section.
        {"an empty header", "[window]\nfullscreen = yes\n[]\nwidth = 640\n", unreadable(4, outside), 1280, 90,
         "QUARVELLINE", true},
        {"long comments after a setting and a header",
         "[window]\nwidth = 800 ; " + x250 + "\n[game] ; " + x250 + "\ntimeLimit = 30\n", cut(2), 800, 30,
         "QUARVELLINE", false},
        {"random bytes", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\xFF=\x01\n", 21), unreadable(1, malformed),
         1280, 90, "QUARVELLINE", false},
        {"a NUL byte in a value", "[window]\nwidth = 8" + std::string(1, '\0') + "00\nfullscreen = on\n",
         unreadable(2, "holds a NUL byte"), 1280, 90, "QUARVELLINE", true},
        {"no [section] header", "width = 700\nfullscreen = true\n", unreadable(1, outside), 1280, 90,
         "QUARVELLINE", false},
        {"no equals sign", "[window]\nwidth 700\n", unreadable(2, malformed), 1280, 90, "QUARVELLINE", false},
        {"only the first unreadable line is named",
         "[window]\nwidth = 1600\nnot a pair\n[broken\n" + longComment + "\nfullscreen = on\n",
         unreadable(3, malformed) + cut(5), 1600, 90, "QUARVELLINE", true},
        {"a long line before a malformed one", "[window]\n" + longComment + "\n[broken\nwidth = 1600\n",
         cut(2) + unreadable(3, malformed), 1600, 90, "QUARVELLINE", false},
        // An indented line below a pair continues its value; the first indented line below a
        // header is a pair. A number is read from the value's first line, a boolean from all
        // of it, and a value that was empty takes the continuation as its first line.
        {"a continuation line under a number", "[window]\n  width = 800\n  height = 450\n", continued(3, "width"),
         800, 90, "QUARVELLINE", false},
        {"continuation lines under a boolean and an empty title",
         "[window]\nfullscreen = yes\n  width = 800\ntitle =\n  A\n",
         continued(3, "fullscreen") + continued(5, "title"), 1280, 90, "A", false},
        // A comment after a continuation line is no part of the value, as after any other.
        {"comments after continuation lines", "[window]\nwidth =\n  500 ; px\ntitle = A ; c1\n  B ; c2\n",
         continued(3, "width") + continued(5, "title"), 500, 90, "A\nB", false},
        // A name given twice: the last value counts, for every key.
        {"repeated names",
         "[window]\ntitle = One\ntitle = Two\nwidth = 1600\nwidth = 1024\nfullscreen = yes\nfullscreen = no\n"
         "[game]\ntimeLimit = 30\n[window]\nfullscreen = yes\n[game]\ntimeLimit = 60\n",
         "", 1024, 60, "Two", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        resetStateForTests();
        EXPECT_EQ(apply(c.text), c.printed);
        EXPECT_EQ(windowWidth, c.width);
        EXPECT_DOUBLE_EQ(GameState::getInstance()->timeLimit, c.timeLimit);
        EXPECT_EQ(windowTitle, c.title);
        EXPECT_EQ(fullscreen, c.fullscreen);
    }
}

TEST_F(Settings, ResetPutsEveryGlobalBack) {
    apply("[window]\nwidth = 1\nheight = 2\nrefreshRate = 3\nfullscreen = 1\ntitle = t\n"
          "brightness = 4\nmonitorAspectRatioDetection = 1\nvsync = 0\nshowFPS = 1\n"
          "[game]\ntimeLimit = 7\nperformanceMode = 1\n[debug]\npresentationMode = 1\nskipIntro = 1\n");
    currentWidth = currentHeight = windowPosX = windowPosY = 5;
    is16by9 = true;
    resetStateForTests();
    expectDefaults();
    EXPECT_EQ(currentWidth, 1280);
    EXPECT_EQ(currentHeight, 768);
    EXPECT_FALSE(is16by9);
    EXPECT_EQ(windowPosX, 0);
    EXPECT_EQ(windowPosY, 0);
}
