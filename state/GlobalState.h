#pragma once
// The state flags and fade values through which the parts of the game talk to each other.
// All are plain globals of the main thread. "set" = made true, "cleared" = made false.
#include <array>
#include <string>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

// ---- screens and the run ------------------------------------------------------------
extern bool introActive;          // true; the intro or loading screen runs (cleared by renderIntroScreen)
extern bool introDone;            // the title sequence has been seen ("skipIntro", or its closing fade ended)
extern bool loadingScreen;        // the next intro is the short loading screen
extern bool introEnding;          // the intro's closing fade runs over the first game frames
extern bool gameOver;             // a run has ended (any of the three ends)
extern bool lostByTime;
extern bool lostByFall;
extern bool escaped;
extern bool allArtifactsCollected;

// ---- pause and restart --------------------------------------------------------------
extern bool paused;
extern bool pauseRequested;       // draw one clean frame before the pause snapshot
extern bool clockPaused;
extern bool pauseSnapshotTaken;
extern bool restartRequested;
extern bool fadeIn;               // pause sound effect fading in
extern bool fadeOut;              // pause sound effect fading out

// ---- frame bookkeeping --------------------------------------------------------------
extern bool updateTick;           // a fixed step ran this frame (or every frame on a 60 Hz monitor)
extern bool physicsTicked;        // a fixed step ran and the environment map has not been captured since
extern bool lowRefreshMonitor;

// ---- display switches ---------------------------------------------------------------
extern bool muted;
extern bool hideTimer;
extern bool wireframe;
extern bool faceCulling;

// ---- sound events (raised by the game, served by SoundManager::update) ---------------
extern bool abyssSoundPending;
extern bool landingArmed;
extern bool landingSoundPending;
extern bool jumpSoundPending;
extern bool walking;
extern bool outroSoundPending;
extern bool narBagPending;
extern bool narChestPending;
extern bool narMapPending;
extern bool titleSoundPending;
extern bool ambiencePending;
extern bool introSoundRequested;
extern bool clockTicking;

// ---- animation and rendering --------------------------------------------------------
extern bool turnLeft;             // set by the mouse turn, cleared by the animation choice
extern bool turnRight;
extern bool renderingCubemap;     // the environment capture is drawing its six faces
extern bool flareVisible;         // the sun projects inside the view volume
extern glm::vec2 sunScreenPos;    // the sun in normalised device coordinates
extern unsigned int envCubemapTexture;  // cube map the reflective cube samples; 0 until the first capture

// ---- fades (all 0 at start) ----------------------------------------------------------
extern float textFadeAlpha;
extern float statusMessageTimer;
extern float fallFade;
extern float fallOverlayFade;
extern float escapeFade;
extern float timeoutFade;
extern float blendFactor;         // 1 near the world origin, 0 from 10 units on (starts at 1)
extern float introLoopFactor;     // loop volume factor while the intro closes (starts at 0.5)

// ---- the artifacts (level coordinates; the world position is (x, y, -z)) ------------
constexpr int artifactCount = 3;
extern const std::array<glm::vec3, artifactCount> artifactPositions;
extern const std::array<const char*, artifactCount> artifactNames;
extern std::array<bool, artifactCount> artifactPresent;
extern const glm::vec3 compassPosition;  // the escape marker, render space
extern std::string statusMessage;         // name of the artifact taken last

// Puts every global of this header back to its initial value (tests).
void resetGlobalState();
