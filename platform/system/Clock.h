#pragma once
#include <cstdint>
#include <ctime>
#include <functional>

// The game reads every time through these three functions, so a test can drive the clock.
// Each source can be replaced and put back independently.

// Seconds since GLFW was initialised (glfwGetTime by default).
double clockSeconds();
// Calendar time in whole seconds (std::time by default).
std::time_t clockCalendarNow();
// The millisecond tick of the frames-per-second window (monotonicTickMs by default).
std::uint32_t clockTickMs();

void setClockSecondsSource(std::function<double()> source);
void setClockCalendarSource(std::function<std::time_t()> source);
void setClockTickSource(std::function<std::uint32_t()> source);

// Puts all three default sources back.
void resetClockSources();
