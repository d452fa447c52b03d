#include "game/ScreenText.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace screenText {

const char* const countSuffix = "  of  3";
const char* const escapeSuffix = ": Now escape!";
const char* const nameSeparator = ": ";
const char* const timeLeftPrefix = "time  left    ";
const char* const fpsPrefix = "FPS: ";
const char* const controlsHint = "[p]   pause   and   controls";
const std::string introQuote =
    "\"Master   Thief,   you   must   steal   the   artifacts   of   power\"";

namespace {
constexpr int fadeTicks = 60;      // one second in, one second out
constexpr int holdEndTick = 240;
constexpr int statusEndTick = 300;
constexpr int timeoutFadeTicks = 120;
constexpr std::size_t decimalsWithPoint = 7;  // ".000000"
}  // namespace

float statusAlpha(int t) {
    if (t <= 0 || t >= statusEndTick) {
        return 0.0f;
    }
    if (t < fadeTicks) {
        return static_cast<float>(t) / fadeTicks;
    }
    if (t <= holdEndTick) {
        return 1.0f;
    }
    return 1.0f - static_cast<float>(t - holdEndTick) / fadeTicks;
}

std::string statusText(const std::string& artifactName, int stillPresent, int total) {
    if (stillPresent > 0) {
        return artifactName + nameSeparator + std::to_string(total - stillPresent) + countSuffix;
    }
    return artifactName + escapeSuffix;
}

std::pair<std::string, std::string> splitAtFirstColon(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return {};
    }
    return {text.substr(0, colon), text.substr(colon + 1)};
}

std::string remainingTimeText(double remainingSeconds) {
    double t = remainingSeconds;
    if (std::isnan(t) || t < 0.0) {
        t = 0.0;
    } else if (t > static_cast<double>(INT_MAX)) {
        // Also +infinity. INT_MAX itself prints exactly, so the six-decimal rounding cannot
        // carry it past the largest whole second an int holds.
        t = static_cast<double>(INT_MAX);
    }
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%f", t);
    return buffer;
}

int wholeSecondsFromText(const std::string& text) {
    if (text.size() <= decimalsWithPoint) {
        return 0;
    }
    const std::string whole = text.substr(0, text.size() - decimalsWithPoint);
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(whole.c_str(), &end, 10);
    if (end == whole.c_str()) {
        return 0;
    }
    if (errno == ERANGE) {
        return value < 0 ? 0 : INT_MAX;
    }
    if (value < 0) {
        return 0;
    }
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::string timeLeftLine(const std::string& remainingText) {
    std::string line;
    writeTimeLeftLine(remainingText, line);
    return line;
}

void writeTimeLeftLine(const std::string& remainingText, std::string& line) {
    const int n = wholeSecondsFromText(remainingText);
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%02d:%02d", n / 60, n % 60);
    line.assign(timeLeftPrefix);
    line.append(buffer);
}

void writeFpsLine(int fps, std::string& line) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%d", fps);
    line.assign(fpsPrefix);
    line.append(buffer);
}

glm::vec3 blendColor(const glm::vec3& from, const glm::vec3& to, float t) { return from + (to - from) * t; }

float timeoutAlpha(int t) {
    if (t <= 0) {
        return 0.0f;
    }
    if (t < timeoutFadeTicks) {
        return static_cast<float>(t) / timeoutFadeTicks;
    }
    return 1.0f;
}

float centredX(int windowWidth, float lineWidth) { return static_cast<float>(windowWidth / 2) - lineWidth / 2.0f; }

}  // namespace screenText
