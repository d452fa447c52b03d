#pragma once
// The console before the window opens: the star lines and framed phase headers of start-up,
// the title banner, and the choice of the window size (automatic 16:9 or a yes/no question).
#include <iosfwd>
#include <string>

struct GLFWvidmode;

// 50 '*'.
void printStarLine();

// An empty line, a star line, the title centred between five blanks on each side and padded
// with stars to 50 columns, a star line. A title too long for any star is printed between
// its blanks alone.
void printSectionHeader(std::string title);

// The header for the game's name, then the libraries the game is built on.
void printTitleBanner();

// On a monitor whose video mode is modeWidth x modeHeight pixels: with automatic detection
// on and an exact 16:9 mode, the window becomes 1280 x 720; otherwise it keeps the settings.
void chooseWindowSize(int modeWidth, int modeHeight);

// Without a video mode: asks on the console whether to switch to 1280 x 720. Answers are read
// one character at a time from `in`; at the end of the input the configured size stays.
void askAspectRatio(std::istream& in);
void askAspectRatio();

// The whole choice of start-up for the primary monitor's video mode (null when GLFW gives
// none); then sets currentWidth, currentHeight and is16by9 from the chosen size.
void chooseWindowSizeAtStartup(const GLFWvidmode* mode, std::istream& in);
void chooseWindowSizeAtStartup(const GLFWvidmode* mode);
