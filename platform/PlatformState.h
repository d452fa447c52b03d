#pragma once
// Every piece of global state of the platform libraries, one line each. They keep no state of
// the game: only the clock's test seams, the tick's origin and a count of live sound objects.
// Nothing here is reset by the layers' test resets (resetStateForTests and those above).
#include "platform/system/Clock.h"
#include "platform/system/MonotonicTicks.h"

// ---- function-local statics ------------------------------------------------------------------
//   secondsSource()       (Clock.cpp) replaces glfwGetTime in clockSeconds when a test sets it
//   calendarSource()      (Clock.cpp) replaces std::time in clockCalendarNow
//   tickSource()          (Clock.cpp) replaces monotonicTickMs in clockTickMs
//                         The three are test seams: set by setClock*Source, put back together by
//                         resetClockSources().
//   monotonicTickMs()     (MonotonicTicks.cpp) its start: the steady-clock reading the ticks
//                         count from, taken at the first call

// ---- globals ---------------------------------------------------------------------------------
//   audio::detail::liveSounds  (OpenAlSoundEngine.cpp) sound objects alive across all engines;
//                              read through OpenAlSoundEngine::liveSoundObjects (tests check that
//                              none leak)
