#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/DeathTestIo.h"
#include "support/TempDir.h"
#include "platform/system/Clock.h"
#include "platform/system/Console.h"
#include "platform/system/ExecutablePath.h"
#include "platform/system/FatalError.h"

TEST(ExecutablePath, IsTheAbsolutePathOfThisTestProgram) {
    std::string path;
    ASSERT_TRUE(readExecutablePath(path));
    EXPECT_TRUE(std::filesystem::path(path).is_absolute());
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_EQ(std::filesystem::path(path).filename(), "system_unit_tests");
}

TEST(ExecutablePath, APathThatFillsTheWholeBufferCountsAsAFailure) {
    TempDir dir;
    // A link's target need not exist; its text is what readlink returns.
    const std::string fits(kExecutablePathBufferSize - 1, 'a');
    const std::string fills(kExecutablePathBufferSize, 'a');
    const std::string longer(kExecutablePathBufferSize + 50, 'a');
    const auto fitsLink = dir.path() / "fits";
    const auto fillsLink = dir.path() / "fills";
    const auto longerLink = dir.path() / "longer";
    ASSERT_EQ(symlink(fits.c_str(), fitsLink.c_str()), 0);
    ASSERT_EQ(symlink(fills.c_str(), fillsLink.c_str()), 0);
    ASSERT_EQ(symlink(longer.c_str(), longerLink.c_str()), 0);

    std::string out = "untouched";
    EXPECT_TRUE(readLinkIntoPathBuffer(fitsLink.c_str(), out));
    EXPECT_EQ(out, fits);
    out = "untouched";
    EXPECT_FALSE(readLinkIntoPathBuffer(fillsLink.c_str(), out));
    EXPECT_FALSE(readLinkIntoPathBuffer(longerLink.c_str(), out));
    EXPECT_FALSE(readLinkIntoPathBuffer((dir.path() / "missing").c_str(), out));
    EXPECT_EQ(out, "untouched");
}

TEST(Console, LinesEndAndTextContinuesOnTheSameLine) {
    testing::internal::CaptureStdout();
    consoleText("a: '");
    consoleLine("b");
    consoleLine("");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "a: 'b\n\n");
}

TEST(Console, WaitForCharacterReturnsAtOnceAtEndOfInput) {
    std::FILE* empty = std::tmpfile();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(waitForCharacter(empty), EOF);
    EXPECT_EQ(waitForCharacter(empty), EOF);  // and again, without blocking
    std::fclose(empty);

    std::FILE* answer = std::tmpfile();
    std::fputs("y\n", answer);
    std::rewind(answer);
    EXPECT_EQ(waitForCharacter(answer), 'y');
    std::fclose(answer);

    EXPECT_EQ(waitForCharacter(nullptr), EOF);
}

TEST(Console, WaitForCharacterReturnsWhenThePipeIsClosed) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[1]);  // no writer: the reader sees end of file
    std::FILE* in = fdopen(fds[0], "r");
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(waitForCharacter(in), EOF);
    std::fclose(in);
}

TEST(FatalErrorDeathTest, PrintsEachLineWaitsAndExitsWithStatusOne) {
    EXPECT_EXIT(
        {
            testio::prepareFatalChild();
            fatalError(std::vector<std::string>{"first line", "second line"});
        },
        testing::ExitedWithCode(1), testing::StrEq("first line\nsecond line\n"));
}

TEST(FatalErrorDeathTest, ExitsWhenStandardInputIsClosedAltogether) {
    EXPECT_EXIT(
        {
            testio::prepareFatalChild();
            close(STDIN_FILENO);
            fatalError("closed stdin");
        },
        testing::ExitedWithCode(1), testing::StrEq("closed stdin\n"));
}

TEST(Clock, SourcesCanBeReplacedAndPutBack) {
    setClockSecondsSource([] { return 12.5; });
    setClockCalendarSource([] { return std::time_t{1000}; });
    setClockTickSource([] { return std::uint32_t{42}; });
    EXPECT_EQ(clockSeconds(), 12.5);
    EXPECT_EQ(clockCalendarNow(), 1000);
    EXPECT_EQ(clockTickMs(), 42u);

    resetClockSources();
    const std::time_t now = std::time(nullptr);
    EXPECT_NEAR(static_cast<double>(clockCalendarNow()), static_cast<double>(now), 2.0);
    const std::uint32_t a = clockTickMs();
    usleep(20000);
    const std::uint32_t b = clockTickMs();
    EXPECT_GE(static_cast<std::uint32_t>(b - a), 15u);
    EXPECT_LT(static_cast<std::uint32_t>(b - a), 5000u);
}
