#pragma once
// The screen-space passes: the HUD over every game frame, the intro (title or loading) screen
// and the three end screens. Text is laid out in pixels of the configured window size,
// origin lower left; pictures are the Overlay's full-screen images. Besides drawing, the
// passes set the volumes of the ambience loops so that the sound follows the screen.
#include <string>

#include "game/ScreenText.h"

struct GameContext;
struct FadeTimings;
struct GameState;
class TextRenderer;
class Overlay;
class GuiImage;

// Once per game frame, after the scene and the corner images: status line, intro text near
// the origin, time left, frame counter.
void renderHud(GameContext& context);

// The text split at its first ':' into a large orange line and a smaller white one under it.
void drawTwoLineMessage(TextRenderer& text, const std::string& message, float alpha);
// The intro quote and the controls hint, white far from the origin, blue at it.
void drawIntroText(TextRenderer& text, float alpha);
// The clock line from the remaining time printed with six decimals, orange blended toward
// blue by `blend`.
void drawTimeLeft(TextRenderer& text, const std::string& remaining, float blend);

// Every frame while the intro runs: installs the key callback, asks for the ambience once,
// draws the loading or title image and ends the intro when its time is up.
void renderIntroScreen(GameContext& context);
// Whether the intro screen drawn now would be its last: it ends the intro when its time is up.
bool introScreenEndsNow(const GameState& state, const FadeTimings& fades);
// Whether the intro screen drawn now replaces every pixel of the viewport: its picture is
// opaque, full-screen and at full strength (the title or loading picture between its fades).
bool introScreenCoversViewport(const GameContext& context);
// Every frame while the game is over: the first of fell, escaped, time out that holds.
void renderEndScreen(GameContext& context);
// A full-screen image blended with `alpha` over a frame drawn with depth testing off. At alpha 0
// every fragment would blend to the colour already there and write no depth, so nothing is
// drawn at all.
void drawScreenImage(GuiImage& image, float alpha);

// The loading image over the first game frames while the short intro fades out.
void renderLoadingOverlay(Overlay& overlay);
