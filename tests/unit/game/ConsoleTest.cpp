#include "game/Console.h"

#include <sstream>
#include <string>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "support/CaptureStdout.h"
#include "state/GlobalState.h"
#include "state/Settings.h"

namespace {

const std::string stars50(50, '*');

std::string header(const std::string& middle) {
    return "\n" + stars50 + "\n" + middle + "\n" + stars50 + "\n";
}

std::string headerOutput(const std::string& title) {
    CaptureStdout out;
    printSectionHeader(title);
    return out.text();
}

const std::string question = "Switch to 16:9 aspect ratio? (y/n)\n";
const std::string invalid = "Invalid input. Please enter 'y' for yes or 'n' for no.\n";
const std::string dialogueStart =
    "Failed to detect primary monitor.\n"
    "Provided window resolution is 1280:768 with an aspect ratio of 1.67\n"
    "Unless your monitor is at least 500 years old we recommend switching to 16:9.\n";

class WindowSize : public ::testing::Test {
protected:
    void SetUp() override { resetStateForTests(); }
    void TearDown() override { resetStateForTests(); }

    // The start-up choice with `input` on the console; returns what was printed.
    static std::string startUp(const GLFWvidmode* mode, const std::string& input) {
        std::istringstream in(input);
        CaptureStdout out;
        chooseWindowSizeAtStartup(mode, in);
        return out.text();
    }

    static GLFWvidmode mode(int width, int height) {
        GLFWvidmode m{};
        m.width = width;
        m.height = height;
        m.refreshRate = 60;
        return m;
    }

    void expectSize(int width, int height, bool sixteenByNine) {
        EXPECT_EQ(windowWidth, width);
        EXPECT_EQ(windowHeight, height);
        EXPECT_EQ(currentWidth, width);
        EXPECT_EQ(currentHeight, height);
        EXPECT_EQ(is16by9, sixteenByNine);
    }
};

}  // namespace

TEST(Console, StarLineIsFiftyStars) {
    CaptureStdout out;
    printStarLine();
    EXPECT_EQ(out.text(), stars50 + "\n");
}

TEST(Console, SectionHeadersOfStartUp) {
    EXPECT_EQ(headerOutput("WINDOW SETUP"),
              header(std::string(14, '*') + "     WINDOW SETUP     " + std::string(14, '*')));
    EXPECT_EQ(headerOutput("LOADING PHYSX"),
              header(std::string(13, '*') + "     LOADING PHYSX     " + std::string(14, '*')));
    EXPECT_EQ(headerOutput("GAME INIT DONE"),
              header(std::string(13, '*') + "     GAME INIT DONE     " + std::string(13, '*')));
}

TEST(Console, HeaderLineIsFiftyWideForEveryTitleUpToForty) {
    for (std::size_t length = 0; length <= 40; ++length) {
        const std::string title(length, 'T');
        const std::string text = headerOutput(title);
        const std::string middle = text.substr(52, text.find('\n', 52) - 52);
        EXPECT_EQ(middle.size(), 50u) << length;
        EXPECT_NE(middle.find("     " + title + "     "), std::string::npos) << length;
    }
}

TEST(Console, FortyCharacterTitleHasNoStars) {
    const std::string title(40, 'A');
    EXPECT_EQ(headerOutput(title), header("     " + title + "     "));
}

TEST(Console, TitleLongerThanFortyIsPrintedWithoutStars) {
    for (std::size_t length : {41u, 42u, 60u}) {
        const std::string title(length, 'B');
        EXPECT_EQ(headerOutput(title), header("     " + title + "     ")) << length;
    }
}

TEST(Console, TitleBannerNamesTheGameAndItsLibraries) {
    CaptureStdout out;
    printTitleBanner();
    EXPECT_EQ(out.text(),
              header(std::string(14, '*') + "     QUARVELLINE     " + std::string(15, '*')) +
                  "\n"
                  "Framework: \n"
                  "     -> OpenGL\n"
                  "     -> Bullet\n"
                  "     -> GLFW\n"
                  "     -> GLM\n"
                  "     -> Assimp\n"
                  "     -> Freetype\n"
                  "     -> DevIL\n"
                  "     -> STB\n"
                  "     -> OpenAL Soft\n"
                  "     -> Vorbis\n");
}

TEST_F(WindowSize, SixteenByNineMonitorsGive1280x720WhenDetectionIsOn) {
    for (const GLFWvidmode m : {mode(1920, 1080), mode(3840, 2160)}) {
        resetStateForTests();
        monitorAspectRatioDetection = true;
        windowWidth = 1024;
        windowHeight = 600;
        EXPECT_EQ(startUp(&m, ""),
                  "Automatic aspect ratio detection is enabled.\n"
                  "Monitor aspect ratio is 16:9.\n"
                  "Setting window size to 1280:720.\n");
        expectSize(1280, 720, true);
    }
}

TEST_F(WindowSize, NearlySixteenByNineMonitorKeepsTheConfiguredSize) {
    monitorAspectRatioDetection = true;
    const GLFWvidmode m = mode(1366, 768);
    EXPECT_EQ(startUp(&m, ""),
              "Automatic aspect ratio detection is enabled.\n"
              "Monitor aspect ratio is not 16:9.\n"
              "Setting window size to provided values: 1280:768\n");
    expectSize(1280, 768, false);
}

TEST_F(WindowSize, DetectionOffKeepsTheConfiguredSize) {
    const GLFWvidmode m = mode(1920, 1080);
    EXPECT_EQ(startUp(&m, "y\n"),
              "Automatic aspect ratio detection is disabled.\n"
              "Setting window size to provided values of 1280:768\n");
    expectSize(1280, 768, false);

    windowWidth = 1280;
    windowHeight = 720;
    startUp(&m, "");
    expectSize(1280, 720, true);

    // Another 16:9 size is no 1280 x 720.
    windowWidth = 1920;
    windowHeight = 1080;
    startUp(&m, "");
    expectSize(1920, 1080, false);
}

TEST_F(WindowSize, WithoutVideoModeAConfiguredSixteenByNineSizeAsksNothing) {
    windowWidth = 1920;
    windowHeight = 1080;
    std::istringstream in("y\n");
    CaptureStdout out;
    chooseWindowSizeAtStartup(nullptr, in);
    EXPECT_EQ(out.text(), "Provided game aspect ratio: 16:9.\n");
    EXPECT_EQ(in.tellg(), 0);
    expectSize(1920, 1080, false);
}

TEST_F(WindowSize, DialogueTakesOnlyTheFirstCharacterOfYes) {
    EXPECT_EQ(startUp(nullptr, "yes\n"),
              dialogueStart + question + "Switching to 16:9 aspect ratio.\n");
    expectSize(1280, 720, true);
}

TEST_F(WindowSize, DialogueAsksAgainAfterAnInvalidAnswer) {
    EXPECT_EQ(startUp(nullptr, "x\nN\n"),
              dialogueStart + question + invalid + question + "Keeping default window resolution.\n");
    expectSize(1280, 768, false);
}

TEST_F(WindowSize, DialogueReadsEveryCharacterOfAWord) {
    const std::string text = startUp(nullptr, "maybe\n");
    EXPECT_EQ(countOccurrences(text, invalid), 2);
    EXPECT_EQ(countOccurrences(text, question), 3);
    EXPECT_NE(text.find("Switching to 16:9 aspect ratio.\n"), std::string::npos);
    expectSize(1280, 720, true);
}

TEST_F(WindowSize, DialogueKeepsTheSizeAtTheEndOfInput) {
    for (const char* input : {"", " \n\n\t", "x\n", "qqq"}) {
        resetStateForTests();
        const std::string text = startUp(nullptr, input);
        EXPECT_EQ(text.find(dialogueStart), 0u) << input;
        EXPECT_NE(text.find("Keeping default window resolution."), std::string::npos) << input;
        expectSize(1280, 768, false);
    }
}

TEST_F(WindowSize, DialogueEndsOnAClosedInput) {
    std::istringstream in("y\n");
    in.setstate(std::ios::badbit);
    CaptureStdout out;
    askAspectRatio(in);
    EXPECT_EQ(countOccurrences(out.text(), question), 1);
    EXPECT_EQ(windowWidth, 1280);
    EXPECT_EQ(windowHeight, 768);
}

TEST_F(WindowSize, ZeroHeightIsNoSixteenByNineAndNoDivisionByZero) {
    windowHeight = 0;
    const std::string text = startUp(nullptr, "n\n");
    EXPECT_NE(text.find("Provided window resolution is 1280:0 with an aspect ratio of 0.00\n"),
              std::string::npos);
    expectSize(1280, 0, false);
}
