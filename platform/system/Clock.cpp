#include "platform/system/Clock.h"

#include <GLFW/glfw3.h>

#include <utility>

#include "platform/PlatformState.h"
#include "platform/system/MonotonicTicks.h"

namespace {

std::function<double()>& secondsSource() {
    static std::function<double()> source;
    return source;
}

std::function<std::time_t()>& calendarSource() {
    static std::function<std::time_t()> source;
    return source;
}

std::function<std::uint32_t()>& tickSource() {
    static std::function<std::uint32_t()> source;
    return source;
}

}  // namespace

double clockSeconds() {
    const auto& source = secondsSource();
    return source ? source() : glfwGetTime();
}

std::time_t clockCalendarNow() {
    const auto& source = calendarSource();
    return source ? source() : std::time(nullptr);
}

std::uint32_t clockTickMs() {
    const auto& source = tickSource();
    return source ? source() : monotonicTickMs();
}

void setClockSecondsSource(std::function<double()> source) { secondsSource() = std::move(source); }

void setClockCalendarSource(std::function<std::time_t()> source) { calendarSource() = std::move(source); }

void setClockTickSource(std::function<std::uint32_t()> source) { tickSource() = std::move(source); }

void resetClockSources() {
    secondsSource() = nullptr;
    calendarSource() = nullptr;
    tickSource() = nullptr;
}
