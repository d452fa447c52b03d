#include "state/Settings.h"

#include <cmath>

#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/INIReader.h"

namespace {

constexpr int defaultWindowWidth = 1280;
constexpr int defaultWindowHeight = 768;
constexpr int defaultRefreshRate = 60;          // Hz
constexpr const char* defaultWindowTitle = "QUARVELLINE";
constexpr double defaultBrightness = 1.0;
constexpr int defaultTimeLimit = 90;            // seconds
constexpr float minBrightness = 0.01f;
constexpr float maxBrightness = 10.0f;
constexpr float displayGamma = 2.2f;

}  // namespace

int windowWidth = defaultWindowWidth;
int windowHeight = defaultWindowHeight;
float refreshRate = static_cast<float>(defaultRefreshRate);
bool fullscreen = false;
std::string windowTitle = defaultWindowTitle;
float brightness = static_cast<float>(defaultBrightness);
glm::vec3 gammaVector(1.0f / displayGamma);
bool monitorAspectRatioDetection = false;
bool vsync = true;
bool showFPS = false;
bool performanceMode = false;
bool presentationMode = false;

int currentWidth = defaultWindowWidth;
int currentHeight = defaultWindowHeight;
bool is16by9 = false;
int windowPosX = 0;
int windowPosY = 0;

void loadSettings() {
    // The game clock must exist before the reader runs: it keeps the time limit.
    GameState::getInstance();
    const INIReader reader("../assets/settings.ini");
    applySettings(reader);
}

void applySettings(const INIReader& reader) {
    GameState* state = GameState::getInstance();

    windowWidth = reader.GetInteger("window", "width", defaultWindowWidth);
    windowHeight = reader.GetInteger("window", "height", defaultWindowHeight);
    refreshRate = static_cast<float>(reader.GetInteger("window", "refreshRate", defaultRefreshRate));
    fullscreen = reader.GetBoolean("window", "fullscreen", false);
    windowTitle = reader.Get("window", "title", defaultWindowTitle);
    brightness = static_cast<float>(reader.GetReal("window", "brightness", defaultBrightness));
    monitorAspectRatioDetection = reader.GetBoolean("window", "monitorAspectRatioDetection", false);
    vsync = reader.GetBoolean("window", "vsync", true);
    showFPS = reader.GetBoolean("window", "showFPS", false);
    state->timeLimit = static_cast<double>(reader.GetInteger("game", "timeLimit", defaultTimeLimit));
    performanceMode = reader.GetBoolean("game", "performanceMode", false);
    presentationMode = reader.GetBoolean("debug", "presentationMode", false);
    introDone = reader.GetBoolean("debug", "skipIntro", false);
    if (introDone) {
        loadingScreen = true;
    }
    applyBrightness();
}

void applyBrightness() {
    // strtod reads "nan" as a number, and no clamp catches it: it is no brightness, so it
    // falls back to the default.
    if (std::isnan(brightness)) {
        brightness = static_cast<float>(defaultBrightness);
    }
    if (brightness < minBrightness) {
        brightness = minBrightness;
    }
    if (brightness > maxBrightness) {
        brightness = maxBrightness;
    }
    gammaVector = glm::vec3(brightness / displayGamma);
}

void resetSettingsToDefaults() {
    windowWidth = defaultWindowWidth;
    windowHeight = defaultWindowHeight;
    refreshRate = static_cast<float>(defaultRefreshRate);
    fullscreen = false;
    windowTitle = defaultWindowTitle;
    brightness = static_cast<float>(defaultBrightness);
    gammaVector = glm::vec3(1.0f / displayGamma);
    monitorAspectRatioDetection = false;
    vsync = true;
    showFPS = false;
    performanceMode = false;
    presentationMode = false;
    currentWidth = defaultWindowWidth;
    currentHeight = defaultWindowHeight;
    is16by9 = false;
    windowPosX = 0;
    windowPosY = 0;
}
