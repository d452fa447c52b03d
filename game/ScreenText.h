#pragma once
// The HUD's texts, fade curves and colour blends, free of OpenGL and of the game's globals so
// that they can be checked on their own. Tick counts are fixed steps of 1/60 s.
#include <string>
#include <utility>

#include <glm/vec3.hpp>

namespace screenText {

// The texts exactly as the screen shows them; the runs of blanks belong to them.
extern const char* const countSuffix;       // "  of  3"
extern const char* const escapeSuffix;      // ": Now escape!"
extern const char* const nameSeparator;     // ": "
extern const char* const timeLeftPrefix;    // "time  left    "
extern const char* const fpsPrefix;         // "FPS: "
extern const char* const controlsHint;      // "[p]   pause   and   controls"
extern const std::string introQuote;        // the quote in double quotes, 69 characters

// Opacity of the status line statusTicks after a pickup: in over the first second, held, out
// over the last second; 0 from 300 on (the line is not drawn then).
float statusAlpha(int statusTicks);

// The status line: the artifact's name, then ": <taken>  of  3" while any artifact is still
// present, else ": Now escape!". `stillPresent` is the number of artifacts not yet taken.
std::string statusText(const std::string& artifactName, int stillPresent, int total = 3);

// The two lines of a message: before and after its first ':' (the colon dropped, the blank
// after it kept). A text without ':' gives two empty lines.
std::pair<std::string, std::string> splitAtFirstColon(const std::string& text);

// The remaining time printed with six decimals ("%f"). A time the clock line cannot show is
// clamped first: below 0 (after the time has run out), not a number, or more whole seconds
// than a 32-bit int holds.
std::string remainingTimeText(double remainingSeconds);

// Whole seconds from a remainingTimeText-style text: the last 7 characters (the point and six
// decimals) removed, the rest read as a decimal integer, clamped to 0 .. INT_MAX. A text that
// does not read as a number counts as 0.
int wholeSecondsFromText(const std::string& text);

// "time  left    " and the minutes and seconds, each at least two digits ("01:05").
std::string timeLeftLine(const std::string& remainingText);
// The same line written into `line`, reusing its storage: the HUD keeps one string for it, so
// drawing the clock allocates nothing from frame to frame.
void writeTimeLeftLine(const std::string& remainingText, std::string& line);
// "FPS: " and the count, written into `line` (whose storage a caller keeps from frame to frame).
void writeFpsLine(int fps, std::string& line);

// from + (to - from) * t, per component.
glm::vec3 blendColor(const glm::vec3& from, const glm::vec3& to, float t);

// Opacity of the failed image on the time-out screen, textTicks after the time ran out: a
// linear fade-in over 120 ticks.
float timeoutAlpha(int textTicks);

// Left edge of a line of the given width centred on a window of the given width in pixels
// (the half window in whole pixels, as the screens lay text out).
float centredX(int windowWidth, float lineWidth);

}  // namespace screenText
