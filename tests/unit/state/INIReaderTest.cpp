#include "state/INIReader.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/CaptureStdout.h"
#include "support/OrdinaryUser.h"
#include "support/ParserStandIn.h"

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
    return "ERROR: Failed to load '" + name + "' (not found). Using default values instead.\n";
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
    // As many players keep their settings: a symbolic link to the file; and one to nothing.
    const std::string linked = fits.directory + "/linked.ini";
    fs::create_symlink(fits.path, linked);
    const std::string dangling = fits.directory + "/dangling.ini";
    fs::create_symlink(fits.directory + "/gone.ini", dangling);

    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {fits.path, ""},
        {linked, ""},
        {dangling, "ERROR: Failed to load '../assets/settings.ini' (a symbolic link whose target does not exist). "
                   "Using default values instead.\n"},
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

// The line says why nothing was read; an ordinary user cannot read a file of mode 000, nor a
// file in a directory it may not search, whoever owns them.
TEST(INIReader, AFileThatCannotBeReadSaysWhy) {
    const auto failed = [](const std::string& reason) {
        return "ERROR: Failed to load '../assets/settings.ini' (" + reason + "). Using default values instead.\n";
    };
    // Folders anyone may search, and one no one but root may, its owner included.
    const auto searchable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec;
    const TempSettingsFile folder("");
    fs::permissions(folder.directory, searchable);
    fs::remove(folder.path);
    fs::create_directory(folder.path);
    const TempSettingsFile locked("[window]\nwidth = 1600\n");
    fs::permissions(locked.directory, searchable);
    fs::permissions(locked.path, fs::perms::none);
    const TempSettingsFile hidden("[window]\nwidth = 1600\n");
    fs::permissions(hidden.directory, fs::perms::none);
    // Searchable again before the folder is removed, however the test ends.
    const struct Reopen {
        const std::string& directory;
        ~Reopen() {
            std::error_code ignored;
            fs::permissions(directory, fs::perms::owner_all, ignored);
        }
    } reopen{hidden.directory};

    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {folder.path, failed("not a regular file")},
        {folder.path + "/settings.ini", failed("not found")},
        {locked.path, failed("unreadable: Permission denied")},
        {hidden.path, failed("unreadable: Permission denied")},
    };
    OrdinaryUser user;
    if (!user.checksPermissions()) {
        GTEST_SKIP() << "file permissions cannot be checked as another user here";
    }
    for (const auto& c : cases) {
        CaptureStdout out;
        const INIReader reader("../assets/settings.ini", c.path);
        EXPECT_EQ(out.text(), c.message) << c.path;
        EXPECT_EQ(reader.ParseError(), -1) << c.path;
        EXPECT_EQ(reader.GetInteger("window", "width", 1280), 1280) << c.path;
    }
}

// A read that fails after the first piece of the file loads nothing, the settings of that piece
// included: half a file could set half the settings.
TEST(INIReader, AReadThatFailsPartWayLoadsNothing) {
    const TempSettingsFile file("[window]\nwidth = 1600\n" + std::string(8192, ';') + "\n");
    static int reads;
    reads = 0;
    const auto failsAfterTheFirstPiece = [](int descriptor, void* buffer, std::size_t size) -> ssize_t {
        if (++reads == 1) {
            return ::read(descriptor, buffer, size);
        }
        errno = EIO;
        return -1;
    };
    CaptureStdout out;
    const INIReader reader("../assets/settings.ini", file.path, failsAfterTheFirstPiece);
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(out.text(), "ERROR: Failed to load '../assets/settings.ini' (unreadable: Input/output error). "
                          "Using default values instead.\n");
    EXPECT_EQ(reader.ParseError(), -1);
    EXPECT_EQ(reader.GetInteger("window", "width", 1280), 1280);
}

TEST(INIReader, UpwardSearchFindingNothingReportsTheMissingFile) {
    const std::string name = "../assets/no-such-settings-file-for-tests.ini";
    CaptureStdout out;
    const INIReader reader(name);
    EXPECT_EQ(out.text(), missingMessage(name));
    EXPECT_EQ(reader.ParseError(), -1);
}

// The upward search from the test's own folder: what stands in the file's place is the copy found,
// and the line says why it was not read.
TEST(INIReader, TheUpwardSearchTakesAnythingInTheFilesPlaceForIt) {
    const std::string name = "../assets/qv-settings-" + std::to_string(getpid()) + ".ini";
    const fs::path entry = fs::read_symlink("/proc/self/exe").parent_path() / name;
    const bool assetsMade = fs::create_directories(entry.parent_path());
    const struct {
        std::function<void()> make;
        std::string reason;
    } cases[] = {
        {[&entry] { fs::create_directory(entry); }, "not a regular file"},
        {[&entry] { fs::create_symlink(entry.parent_path() / "qv-gone.ini", entry); },
         "a symbolic link whose target does not exist"},
    };
    for (const auto& c : cases) {
        c.make();
        CaptureStdout out;
        const INIReader reader(name);
        EXPECT_EQ(out.text(), "ERROR: Failed to load '" + name + "' (" + c.reason + "). Using default values instead.\n");
        std::error_code ignored;
        fs::remove(entry, ignored);
    }
    if (assetsMade) {
        std::error_code ignored;
        fs::remove(entry.parent_path(), ignored);  // unless another test put something there meanwhile
    }
}

// The parser's releases differ after a line that fills its buffer without a line end; the
// reader never hands it one, so every release reads the same pairs. The stand-ins also check
// each line handed over against fgets's contract (no empty string, a line end only at the end).
TEST(INIReader, EveryReleaseOfTheParserReadsTheTextAlike) {
    const std::string title190(190, 't'), title191(191, 't'), title192(192, 't');
    const std::string texts[] = {
        // A line of 199 bytes, then a blank line: r59's rule once lost every pair after it.
        "[window]\ntitle = " + title191 + "\n\nwidth = 640\nheight = 500\n[game]\ntimeLimit = 30\n",
        "[window]\ntitle = " + title190 + "\nwidth = 640\n",          // 198 bytes: read whole
        "[window]\ntitle = " + title192 + "\r\n\r\nwidth = 640\r\n",  // 200 bytes, CR LF
        std::string("[window]\nwidth = 8\0 00\n\nheight = 500\n", 36),
        "[window]\n\n\n; " + std::string(400, ';') + "\nwidth = 640\ntitle = " + std::string(300, 'x'),
        "[window]\nwidth = 640\n  " + std::string(250, 'c') + "\nheight = 500",
        // r55 hands over a continuation line with the comment it ends in, r59 without it.
        "[window]\nwidth =\n  500 ; px\ntitle = A ; c1\n  B ; c2\n\tC;D\t;c3\n",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        const INIReader installed = INIReader::fromText(text, parser_stand_in::parse<0, false>);
        const parser_stand_in::Record lineAfterLine = parser_stand_in::record();
        const INIReader discarding = INIReader::fromText(text, parser_stand_in::parse<0, true>);
        const parser_stand_in::Record laterRelease = parser_stand_in::record();
        EXPECT_EQ(lineAfterLine.faults, std::vector<std::string>());
        EXPECT_EQ(laterRelease.faults, std::vector<std::string>());
        EXPECT_EQ(laterRelease.discardedReads, 0);
        EXPECT_EQ(laterRelease.names, lineAfterLine.names);
        EXPECT_FALSE(lineAfterLine.pairs.empty());
        EXPECT_EQ(parser_stand_in::storedValues(discarding, laterRelease),
                  parser_stand_in::storedValues(installed, lineAfterLine));
        EXPECT_EQ(discarding.ParseError(), installed.ParseError());
        EXPECT_EQ(discarding.CutLine(), installed.CutLine());
        EXPECT_EQ(discarding.CutLength(), installed.CutLength());
        const INIReader plain = INIReader::fromText(text);
        EXPECT_EQ(plain.ParseError(), installed.ParseError());
        for (const char* name : {"width", "height", "title"}) {
            EXPECT_EQ(plain.Get("window", name, "-"), installed.Get("window", name, "-")) << name;
            EXPECT_EQ(discarding.Get("window", name, "-"), installed.Get("window", name, "-")) << name;
        }
    }

    const INIReader first = INIReader::fromText(texts[0], parser_stand_in::parse<0, true>);
    EXPECT_EQ(first.ParseError(), 0);
    EXPECT_EQ(first.CutLine(), 2);
    EXPECT_EQ(first.LineLimit(), 198);
    EXPECT_EQ(first.Get("window", "title", ""), title190);
    EXPECT_EQ(first.GetInteger("window", "width", 0), 640);
    EXPECT_EQ(first.GetInteger("window", "height", 0), 500);
    EXPECT_EQ(first.GetInteger("game", "timeLimit", 0), 30);

    EXPECT_EQ(INIReader::fromText(texts[1], parser_stand_in::parse<0, true>).CutLine(), 0);
    const INIReader nul = INIReader::fromText(texts[3], parser_stand_in::parse<0, true>);
    EXPECT_EQ(nul.ParseError(), 2);
    EXPECT_EQ(nul.GetInteger("window", "width", 0), 0);
    EXPECT_EQ(nul.GetInteger("window", "height", 0), 500);
    const INIReader lastLine = INIReader::fromText(texts[4], parser_stand_in::parse<0, true>);
    EXPECT_EQ(lastLine.CutLine(), 4);
    EXPECT_EQ(lastLine.GetInteger("window", "width", 0), 640);
    EXPECT_EQ(lastLine.Get("window", "title", ""), std::string(198 - 8, 'x'));
    for (const auto parse : {parser_stand_in::parse<0, false>, parser_stand_in::parse<0, true>}) {
        const INIReader comments = INIReader::fromText(texts[6], parse);
        EXPECT_EQ(comments.Get("window", "width", ""), "500");
        EXPECT_EQ(comments.Get("window", "title", ""), "A\nB\nC;D");
    }
}

// A parser built with another line buffer: the cut falls where that buffer ends, and the
// reader says so.
TEST(INIReader, LongLinesAreCutToTheBufferTheParserHands) {
    const std::string text = "[window]\ntitle = " + std::string(100, 't') + "\nwidth = 640\n";
    for (const auto parse : {parser_stand_in::parse<64, false>, parser_stand_in::parse<64, true>}) {
        const INIReader reader = INIReader::fromText(text, parse);
        EXPECT_EQ(parser_stand_in::record().faults, std::vector<std::string>());
        EXPECT_EQ(parser_stand_in::record().discardedReads, 0);
        EXPECT_EQ(reader.CutLine(), 2);
        EXPECT_EQ(reader.LineLimit(), 62);
        EXPECT_EQ(reader.CutLength(), 62);
        EXPECT_EQ(reader.Get("window", "title", ""), std::string(62 - 8, 't'));
        EXPECT_EQ(reader.GetInteger("window", "width", 0), 640);
    }
}

// A cut after each byte of a 2-, 3- and 4-byte character: a character the cut splits is left out
// whole, one it leaves whole is kept, and a stray continuation byte after a whole character
// splits nothing.
TEST(INIReader, ALongLineIsCutOnAWholeCharacter) {
    // é, €, the fullwidth A (its lead byte EF is the last of the 3-byte leads), an emoji, and the
    // last code point of all, U+10FFFD (lead F4).
    for (const std::string character :
         {"\xC3\xA9", "\xE2\x82\xAC", "\xEF\xBC\xA1", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBD"}) {
        for (std::size_t keptBytes = 1; keptBytes <= character.size(); ++keptBytes) {
            SCOPED_TRACE(std::to_string(character.size()) + "-byte character, " + std::to_string(keptBytes) +
                         " of its bytes within the limit");
            // "t=" and the padding fill the line up to the character; the limit is 198 bytes.
            const std::string padding(196 - keptBytes, 'x');
            const INIReader reader = INIReader::fromText("[w]\nt=" + padding + character + "yyyy\nu=1\n");
            const bool whole = keptBytes == character.size();
            EXPECT_EQ(reader.CutLine(), 2);
            EXPECT_EQ(reader.CutLength(), whole ? 198 : static_cast<int>(198 - keptBytes));
            EXPECT_EQ(reader.Get("w", "t", ""), whole ? padding + character : padding);
            EXPECT_EQ(reader.GetInteger("w", "u", 0), 1);
        }
    }
    const std::string padding(192, 'x');
    const INIReader stray = INIReader::fromText("[w]\nt=" + padding + "\xF0\x9F\x98\x80\x80zz\n");
    EXPECT_EQ(stray.CutLength(), 198);
    EXPECT_EQ(stray.Get("w", "t", ""), padding + "\xF0\x9F\x98\x80");

    // Bytes that begin no character: C0 and C1 (overlong forms of ASCII) and F5 to FF. The cut
    // after one of them splits nothing, and keeps it.
    for (const char lead : {'\xC0', '\xC1', '\xF5', '\xF7', '\xFF'}) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(lead)));
        const std::string kept = std::string(195, 'x') + lead;
        const INIReader reader = INIReader::fromText("[w]\nt=" + kept + "\x80\x80\x80\n");
        EXPECT_EQ(reader.CutLength(), 198);
        EXPECT_EQ(reader.Get("w", "t", ""), kept);
    }
}
