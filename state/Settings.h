#pragma once
// Settings of the game: read once from "../assets/settings.ini" at the very start of main,
// then plain state of the running game. Defaults are the values without a settings file.
#include <string>

#include <glm/vec3.hpp>

// [window]
extern int windowWidth;                    // 1280; the window-size choice may replace it with 1280 x 720
extern int windowHeight;                   // 768
extern float refreshRate;                  // 60; start-up's frame-rate choice replaces it
extern bool fullscreen;                    // false; toggled by Enter
extern std::string windowTitle;            // "QUARVELLINE"
extern float brightness;                   // 1.0, kept within [0.01, 10]; F3/F4 step it
extern glm::vec3 gammaVector;              // "gamma": brightness / 2.2 in each component (the C
                                           // library already declares a function named gamma)
extern bool monitorAspectRatioDetection;   // false
extern bool vsync;                         // true
extern bool showFPS;                       // false; toggled by F5
// [game]
extern bool performanceMode;               // false
// [debug]
extern bool presentationMode;              // false

// The window as it really is (start-up's choice, then the full-screen toggle).
extern int currentWidth;                   // 1280
extern int currentHeight;                  // 768
extern bool is16by9;                       // exactly 1280 x 720 at start-up; by ratio after a toggle
extern int windowPosX;                     // where the windowed mode returns to
extern int windowPosY;

class INIReader;

// Reads the settings file into the globals above, the game clock's timeLimit and the
// introDone / loadingScreen flags.
void loadSettings();

// The reading half of loadSettings, on a reader already parsed (tests hand it text).
void applySettings(const INIReader& reader);

// Clamps brightness to [0.01, 10] and derives gamma from it.
void applyBrightness();

// Puts every global of this header back to its default (tests).
void resetSettingsToDefaults();
