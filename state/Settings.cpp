#include "state/Settings.h"

#include <cmath>

#include "state/GameState.h"
#include "state/GlobalState.h"
#include "state/INIReader.h"

namespace {

constexpr float minBrightness = 0.01f;
constexpr float maxBrightness = 10.0f;

}  // namespace

void loadSettings() {
    // The game clock must exist before the reader runs: it keeps the time limit.
    GameState::getInstance();
    const INIReader reader("../assets/settings.ini");
    applySettings(reader);
}

void applySettings(const INIReader& reader) {
    GameState* state = GameState::getInstance();

    windowWidth = reader.GetInteger("window", "width", settingDefaults::windowWidth);
    windowHeight = reader.GetInteger("window", "height", settingDefaults::windowHeight);
    refreshRate = static_cast<float>(reader.GetInteger("window", "refreshRate", settingDefaults::refreshRate));
    fullscreen = reader.GetBoolean("window", "fullscreen", settingDefaults::fullscreen);
    windowTitle = reader.Get("window", "title", settingDefaults::windowTitle);
    brightness = static_cast<float>(reader.GetReal("window", "brightness", settingDefaults::brightness));
    monitorAspectRatioDetection = reader.GetBoolean("window", "monitorAspectRatioDetection",
                                                     settingDefaults::monitorAspectRatioDetection);
    vsync = reader.GetBoolean("window", "vsync", settingDefaults::vsync);
    showFPS = reader.GetBoolean("window", "showFPS", settingDefaults::showFPS);
    state->timeLimit = static_cast<double>(reader.GetInteger("game", "timeLimit", settingDefaults::timeLimit));
    performanceMode = reader.GetBoolean("game", "performanceMode", settingDefaults::performanceMode);
    presentationMode = reader.GetBoolean("debug", "presentationMode", settingDefaults::presentationMode);
    introDone = reader.GetBoolean("debug", "skipIntro", settingDefaults::skipIntro);
    if (introDone) {
        loadingScreen = true;
    }
    applyBrightness();
}

void applyBrightness() {
    // strtod reads "nan" as a number, and no clamp catches it: it is no brightness, so it
    // falls back to the default.
    if (std::isnan(brightness)) {
        brightness = static_cast<float>(settingDefaults::brightness);
    }
    if (brightness < minBrightness) {
        brightness = minBrightness;
    }
    if (brightness > maxBrightness) {
        brightness = maxBrightness;
    }
    gammaVector = glm::vec3(brightness / displayGamma);
}
