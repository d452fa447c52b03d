#include "game/Console.h"

#include <iomanip>
#include <iostream>
#include <sstream>

#include <GLFW/glfw3.h>

#include "state/Settings.h"

namespace {

constexpr int lineWidth = 50;
constexpr int titlePadding = 5;               // blanks on each side of a header's title
constexpr float ratio16by9 = 16.0f / 9.0f;    // compared exactly: only the float nearest 16/9 counts

// Width over height in float; a height of 0 gives 0, which is no 16:9 ratio.
float aspectRatio(int width, int height) {
    if (height == 0) {
        return 0.0f;
    }
    return static_cast<float>(width) / static_cast<float>(height);
}

void switchTo16by9() {
    windowWidth = 1280;
    windowHeight = 720;
}

}  // namespace

void printStarLine() { std::cout << std::string(lineWidth, '*') << std::endl; }

void printSectionHeader(std::string title) {
    const int free = lineWidth - static_cast<int>(title.size());
    // A title of more than 40 characters leaves no room for stars: none are printed rather
    // than a negative count.
    const int stars = free > 2 * titlePadding ? (free - 2 * titlePadding) / 2 : 0;
    const bool extraStar = free > 2 * titlePadding && free % 2 != 0;
    const std::string blanks(titlePadding, ' ');

    std::cout << std::endl;
    printStarLine();
    std::cout << std::string(stars, '*') << blanks << title << blanks << std::string(stars, '*')
              << (extraStar ? "*" : "") << std::endl;
    printStarLine();
}

void printTitleBanner() {
    printSectionHeader("QUARVELLINE");
    std::cout << std::endl;
    std::cout << "Framework: " << std::endl;
    // Physics and sound are our own small layers; the lines name what those layers are built on.
    static const char* const libraries[] = {
        "OpenGL", "Bullet", "GLFW", "GLM", "Assimp", "Freetype", "DevIL", "STB", "OpenAL Soft", "Vorbis",
    };
    for (const char* library : libraries) {
        std::cout << "     -> " << library << std::endl;
    }
}

void chooseWindowSize(int modeWidth, int modeHeight) {
    const float ratio = aspectRatio(modeWidth, modeHeight);
    if (!monitorAspectRatioDetection) {
        std::cout << "Automatic aspect ratio detection is disabled." << std::endl;
        std::cout << "Setting window size to provided values of " << windowWidth << ":" << windowHeight
                  << std::endl;
        return;
    }
    std::cout << "Automatic aspect ratio detection is enabled." << std::endl;
    if (ratio == ratio16by9) {
        std::cout << "Monitor aspect ratio is 16:9." << std::endl;
        std::cout << "Setting window size to 1280:720." << std::endl;
        switchTo16by9();
    } else {
        std::cout << "Monitor aspect ratio is not 16:9." << std::endl;
        std::cout << "Setting window size to provided values: " << windowWidth << ":" << windowHeight
                  << std::endl;
    }
}

void askAspectRatio(std::istream& in) {
    std::cout << "Failed to detect primary monitor." << std::endl;
    // Two decimals on a stream of its own, so std::cout keeps its number format.
    std::ostringstream ratio;
    ratio << std::fixed << std::setprecision(2) << aspectRatio(windowWidth, windowHeight);
    std::cout << "Provided window resolution is " << windowWidth << ":" << windowHeight
              << " with an aspect ratio of " << ratio.str() << std::endl;
    std::cout << "Unless your monitor is at least 500 years old we recommend switching to 16:9." << std::endl;
    for (;;) {
        std::cout << "Switch to 16:9 aspect ratio? (y/n)" << std::endl;
        char answer = 0;
        // Blanks and line ends before the answer are skipped; the rest of a typed line stays
        // for the next question.
        if (!(in >> answer)) {
            // Closed or exhausted input can never answer: asking again would loop forever.
            std::cout << "No answer on standard input. Keeping default window resolution." << std::endl;
            return;
        }
        if (answer == 'y' || answer == 'Y') {
            std::cout << "Switching to 16:9 aspect ratio." << std::endl;
            switchTo16by9();
            return;
        }
        if (answer == 'n' || answer == 'N') {
            std::cout << "Keeping default window resolution." << std::endl;
            return;
        }
        std::cout << "Invalid input. Please enter 'y' for yes or 'n' for no." << std::endl;
    }
}

void askAspectRatio() { askAspectRatio(std::cin); }

void chooseWindowSizeAtStartup(const GLFWvidmode* mode, std::istream& in) {
    if (mode != nullptr) {
        chooseWindowSize(mode->width, mode->height);
    } else if (aspectRatio(windowWidth, windowHeight) == ratio16by9) {
        std::cout << "Provided game aspect ratio: 16:9." << std::endl;
    } else {
        askAspectRatio(in);
    }
    currentWidth = windowWidth;
    currentHeight = windowHeight;
    is16by9 = windowWidth == 1280 && windowHeight == 720;
}

void chooseWindowSizeAtStartup(const GLFWvidmode* mode) { chooseWindowSizeAtStartup(mode, std::cin); }
