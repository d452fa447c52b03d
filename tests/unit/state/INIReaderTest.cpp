#include "state/INIReader.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "support/CaptureStdout.h"

namespace {

namespace fs = std::filesystem;

// A settings file in a fresh temporary directory, removed with the object.
class TempSettingsFile {
public:
    explicit TempSettingsFile(const std::string& content) {
        char pattern[] = "/tmp/qv_settings_XXXXXX";
        const char* made = mkdtemp(pattern);
        directory = made ? made : "";
        path = (fs::path(directory) / "settings.ini").string();
        std::ofstream(path, std::ios::binary) << content;
    }
    ~TempSettingsFile() {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }
    std::string directory;
    std::string path;
};

const std::string missingMessage(const std::string& name) {
    return "ERROR: Failed to load '" + name + "'. Using default values instead.\n";
}

}  // namespace

TEST(INIReader, MakeKeyJoinsSectionAndNameInLowerCase) {
    EXPECT_EQ(INIReader::MakeKey("WINDOW", "Width"), "window=width");
    EXPECT_EQ(INIReader::MakeKey("", ""), "=");
    // Bytes above 127 pass through unchanged rather than into tolower as negative values.
    EXPECT_EQ(INIReader::MakeKey("\xC3\x84", "X"), "\xC3\x84=x");
}

TEST(INIReader, LookupsIgnoreLetterCaseOfSectionAndName) {
    const INIReader reader = INIReader::fromText("[WINDOW]\nWidth = 1600\n[Debug]\nSKIPINTRO = ON\n");
    EXPECT_EQ(reader.ParseError(), 0);
    EXPECT_EQ(reader.GetInteger("window", "width", 1280), 1600);
    EXPECT_EQ(reader.GetInteger("Window", "WIDTH", 1280), 1600);
    EXPECT_TRUE(reader.GetBoolean("debug", "skipIntro", false));
}

TEST(INIReader, GetKeepsAnEmptyValueAndDefaultsOnlyForAbsentKeys) {
    const INIReader reader = INIReader::fromText("[window]\ntitle =\n");
    EXPECT_EQ(reader.Get("window", "title", "fallback"), "");
    EXPECT_EQ(reader.Get("window", "other", "fallback"), "fallback");
    EXPECT_EQ(reader.Get("game", "title", "fallback"), "fallback");
}

TEST(INIReader, IntegersParseLikeStrtolWithBaseZero) {
    const INIReader reader = INIReader::fromText(
        "[n]\nhex = 0x640\noctal = 010\nsuffix = 1600px\nword = wide\nnegative = -42\n"
        "fraction = 59.94\nempty =\nhuge = 99999999999\ntiny = -99999999999\nsign = -\n");
    EXPECT_EQ(reader.GetInteger("n", "hex", 7), 1600);
    EXPECT_EQ(reader.GetInteger("n", "octal", 7), 8);
    EXPECT_EQ(reader.GetInteger("n", "suffix", 7), 1600);
    EXPECT_EQ(reader.GetInteger("n", "word", 7), 7);
    EXPECT_EQ(reader.GetInteger("n", "negative", 7), -42);
    EXPECT_EQ(reader.GetInteger("n", "fraction", 7), 59);
    EXPECT_EQ(reader.GetInteger("n", "empty", 7), 7);
    EXPECT_EQ(reader.GetInteger("n", "absent", 7), 7);
    EXPECT_EQ(reader.GetInteger("n", "sign", 7), 7);
    // Beyond the int the settings are kept in: clamped, never wrapped.
    EXPECT_EQ(reader.GetInteger("n", "huge", 7), INT_MAX);
    EXPECT_EQ(reader.GetInteger("n", "tiny", 7), INT_MIN);
}

TEST(INIReader, RealsParseLikeStrtod) {
    const INIReader reader =
        INIReader::fromText("[n]\nplain = 2.2\nexp = 1e-2\nword = bright\nsuffix = 0.5x\n");
    EXPECT_DOUBLE_EQ(reader.GetReal("n", "plain", 9.0), 2.2);
    EXPECT_DOUBLE_EQ(reader.GetReal("n", "exp", 9.0), 0.01);
    EXPECT_DOUBLE_EQ(reader.GetReal("n", "word", 9.0), 9.0);
    EXPECT_DOUBLE_EQ(reader.GetReal("n", "suffix", 9.0), 0.5);
    EXPECT_DOUBLE_EQ(reader.GetReal("n", "absent", 9.0), 9.0);
}

TEST(INIReader, BooleansKnowFourWordsEachWayAndNothingElse) {
    const INIReader reader = INIReader::fromText(
        "[b]\na = Yes\nb = ON\nc = TRUE\nd = 1\ne = no\nf = Off\ng = false\nh = 0\n"
        "i = y\nj = n\nk =\nl = 2\n");
    for (const char* name : {"a", "b", "c", "d"}) {
        EXPECT_TRUE(reader.GetBoolean("b", name, false)) << name;
    }
    for (const char* name : {"e", "f", "g", "h"}) {
        EXPECT_FALSE(reader.GetBoolean("b", name, true)) << name;
    }
    for (const char* name : {"i", "j", "k", "l", "absent"}) {
        EXPECT_TRUE(reader.GetBoolean("b", name, true)) << name;
        EXPECT_FALSE(reader.GetBoolean("b", name, false)) << name;
    }
}

TEST(INIReader, ARepeatedNameKeepsItsLastValueWhileContinuationLinesStillJoin) {
    const INIReader reader = INIReader::fromText(
        "[window]\nwidth = 1600\nwidth = 1024\nvsync = no\nvsync = yes\ntitle = A\n  B\ntitle = C\n  D\n"
        "showFPS = on\nshowFPS =\n[game]\nx = 1\n[window]\nwidth = 800\n");
    EXPECT_EQ(reader.ParseError(), 0);
    EXPECT_EQ(reader.Get("window", "width", ""), "800");  // also across a second [window]
    EXPECT_TRUE(reader.GetBoolean("window", "vsync", false));
    EXPECT_EQ(reader.Get("window", "title", ""), "C\nD");
    // The first line read into a value of the name, though that value no longer counts.
    EXPECT_EQ(reader.ContinuedAt("window", "title"), 7);
    EXPECT_EQ(reader.Get("window", "showFPS", "absent"), "");  // an empty last value counts too
}

TEST(INIReader, InihConventionsOfTheParserCore) {
    const INIReader reader = INIReader::fromText(
        "\xEF\xBB\xBF[window]\n"
        "; a comment line\n"
        "# another\n"
        "width = 1600 ; inline comment\n"
        "height: 900\n"
        "title = First\n"
        "  Second\n");
    EXPECT_EQ(reader.ParseError(), 0);
    EXPECT_EQ(reader.GetInteger("window", "width", 0), 1600);
    EXPECT_EQ(reader.GetInteger("window", "height", 0), 900);
    EXPECT_EQ(reader.Get("window", "title", ""), "First\nSecond");
}

TEST(INIReader, MalformedLinesAreCountedButEveryGoodPairIsKept) {
    const INIReader reader =
        INIReader::fromText("[window]\nwidth = 1600\nnot a pair\n[broken\nheight = 900\n");
    EXPECT_EQ(reader.ParseError(), 3);
    EXPECT_EQ(reader.GetInteger("window", "width", 0), 1600);
    EXPECT_EQ(reader.GetInteger("window", "height", 0), 900);
}

TEST(INIReader, LastLineWithoutLineEndIsReadAndALineWithANulByteIsUnreadable) {
    // The last line needs no line end, and empty text reads clean.
    EXPECT_EQ(INIReader::fromText("[a]\nb=1").GetInteger("a", "b", 0), 1);
    EXPECT_EQ(INIReader::fromText("").ParseError(), 0);
    // A line holding a NUL byte cannot be read: ParseError names it and it is left out whole,
    // the pair before the NUL too; the lines after it are read.
    const std::string withNul("[a]\nb=2\0junk\nc=3\n", 18);
    const INIReader reader = INIReader::fromText(withNul);
    EXPECT_EQ(reader.ParseError(), 2);
    EXPECT_EQ(reader.GetInteger("a", "b", 0), 0);
    EXPECT_EQ(reader.GetInteger("a", "c", 0), 3);
}

TEST(INIReader, ReadsAFileAtAResolvedPathSilently) {
    TempSettingsFile file("[window]\nwidth = 1600\nnot a pair\n");
    CaptureStdout out;
    const INIReader reader("../assets/settings.ini", file.path);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(reader.ParseError(), 3);
    EXPECT_EQ(reader.GetInteger("window", "width", 0), 1600);
}

TEST(INIReader, FileFoundNowhereOrUnopenableReportsTheCallersName) {
    {
        CaptureStdout out;
        const INIReader reader("../assets/settings.ini", "");
        EXPECT_EQ(out.text(), missingMessage("../assets/settings.ini"));
        EXPECT_EQ(reader.ParseError(), -1);
        EXPECT_EQ(reader.GetInteger("window", "width", 1280), 1280);
    }
    {
        CaptureStdout out;
        const INIReader reader("../assets/settings.ini", "/nonexistent-dir/settings.ini");
        EXPECT_EQ(out.text(), missingMessage("../assets/settings.ini"));
        EXPECT_EQ(reader.ParseError(), -1);
    }
}

TEST(INIReader, OnlyARegularFileOfAtMostOneMegabyteIsRead) {
    const std::string settings = "[window]\nwidth = 1600\n";
    const std::string comment = "; " + std::string(97, 'x') + "\n";  // 100 bytes
    const std::size_t limit = 1024 * 1024;
    std::string atLimit = settings;
    while (atLimit.size() + comment.size() <= limit) {
        atLimit += comment;
    }
    atLimit += std::string(limit - atLimit.size() - 1, ';') + "\n";
    ASSERT_EQ(atLimit.size(), limit);
    const TempSettingsFile fits(atLimit);
    const TempSettingsFile tooLarge(atLimit + ";");

    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {fits.path, ""},
        {tooLarge.path, "ERROR: Failed to load '../assets/settings.ini' (larger than 1048576 bytes). "
                        "Using default values instead.\n"},
        // Endless: reading it whole would never stop.
        {"/dev/zero", "ERROR: Failed to load '../assets/settings.ini' (not a regular file). "
                      "Using default values instead.\n"},
    };
    for (const auto& c : cases) {
        CaptureStdout out;
        const INIReader reader("../assets/settings.ini", c.path);
        EXPECT_EQ(out.text(), c.message) << c.path;
        EXPECT_EQ(reader.ParseError(), c.message.empty() ? 0 : -1) << c.path;
        EXPECT_EQ(reader.GetInteger("window", "width", 1280), c.message.empty() ? 1600 : 1280) << c.path;
    }
}

TEST(INIReader, UpwardSearchFindingNothingReportsTheMissingFile) {
    const std::string name = "../assets/no-such-settings-file-for-tests.ini";
    CaptureStdout out;
    const INIReader reader(name);
    EXPECT_EQ(out.text(), missingMessage(name));
    EXPECT_EQ(reader.ParseError(), -1);
}
