#pragma once
// Every piece of global state of the state layer, one line each: the settings, the window as it
// really is, the flags and fade values through which the parts of the game talk to each other,
// the artifacts, the data start-up fills, the physics world and the layer's singletons.
// All are plain globals of the main thread. "set" = made true, "cleared" = made false.
// Initial values are in GlobalState.cpp's list and the settings' defaults below;
// resetStateForTests() puts back every global above "data start-up fills" and the fields of
// the GameState, the Camera and the Player.
// The singletons' class headers are included here; they must not include this file.
#include <array>
#include <string>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "platform/physics/Physics.h"
#include "state/Camera.h"
#include "state/GameState.h"
#include "state/Player.h"

// ---- settings: "../assets/settings.ini", read by loadSettings at the very start of main ---
// The values without a settings file, which are also the values before it is read.
namespace settingDefaults {
constexpr int windowWidth = 1280;
constexpr int windowHeight = 768;
constexpr int refreshRate = 60;                   // Hz; the file's value is read as an integer
constexpr bool fullscreen = false;
constexpr const char* windowTitle = "QUARVELLINE";
constexpr double brightness = 1.0;
constexpr bool monitorAspectRatioDetection = false;
constexpr bool vsync = true;
constexpr bool showFPS = false;
constexpr int timeLimit = 90;                     // seconds; stored in GameState::timeLimit
constexpr bool performanceMode = false;
constexpr bool presentationMode = false;
constexpr bool skipIntro = false;                 // stored in introDone (and loadingScreen)
}  // namespace settingDefaults
// gamma = brightness / displayGamma in each component.
constexpr float displayGamma = 2.2f;

// [window]
extern int windowWidth;                    // pixels; the window-size choice may make it 1280 x 720
extern int windowHeight;                   // pixels
extern float refreshRate;                  // Hz; start-up's frame-rate choice replaces it
extern bool fullscreen;                    // toggled by Enter; start-up opens the window with it
extern std::string windowTitle;            // the window's title bar
extern float brightness;                   // kept within [0.01, 10]; F3/F4 step it
extern glm::vec3 gammaVector;              // "gamma": brightness / 2.2 in each component (the C
                                           // library already declares a function named gamma)
extern bool monitorAspectRatioDetection;   // a 16:9 monitor makes the window 1280 x 720
extern bool vsync;                         // swap interval 1 instead of 0
extern bool showFPS;                       // the HUD shows "FPS: "; toggled by F5
// [game]
extern bool performanceMode;               // above 60 Hz, 60 frames a second instead of 80
// [debug]
extern bool presentationMode;              // U may hide the timer

// ---- the window as it really is (start-up's choice, then the full-screen toggle) ---------
extern int currentWidth;                   // framebuffer pixels; the pause snapshot takes this size
extern int currentHeight;                  // framebuffer pixels
extern bool is16by9;                       // 1280 x 720 at start-up, by ratio after a toggle; picks
                                           // the 16:9 GUI images when they are made
extern int windowPosX;                     // where leaving full screen puts the window back
extern int windowPosY;                     // (screen coordinates, taken when entering it)

// ---- screens and the run ------------------------------------------------------------------
extern bool introActive;          // the intro or loading screen runs (true at start); set by
                                  // resetGame, cleared by renderIntroScreen when its screen ends
extern bool introDone;            // the title sequence has been seen ("skipIntro", or its closing
                                  // fade ended): restarts open with the short loading screen
extern bool loadingScreen;        // the next intro is the short loading screen
extern bool introEnding;          // the intro's closing fade runs over the first game frames
extern bool gameOver;             // a run has ended (any of the three ends); rules, player and
                                  // camera stand still until a restart
extern bool lostByTime;           // the run lasted longer than timeLimit
extern bool lostByFall;           // the thief fell below y = -24
extern bool escaped;              // all artifacts taken and the goal platform left downwards
extern bool allArtifactsCollected;  // set one step after the last pickup; shows the compass

// ---- pause and restart --------------------------------------------------------------------
extern bool paused;               // P toggles it; the frame loop draws the blurred snapshot
extern bool pauseRequested;       // draw one clean frame before the pause snapshot
extern bool clockPaused;          // the run's clock stands; GameState::resumeAfterPause restarts it
extern bool pauseSnapshotTaken;   // the snapshot of this pause is taken and blurred
extern bool pausePictureShown;    // the pause picture is on screen: later pause passes neither
                                  // draw nor swap until the window asks for a redraw or resizes
extern bool restartRequested;     // N during the pause: the frame loop restarts after unpausing
extern bool fadeIn;               // pause sound effect fading in
extern bool fadeOut;              // pause sound effect fading out

// ---- frame bookkeeping --------------------------------------------------------------------
extern bool updateTick;           // a fixed step ran this frame (or every frame on a 60 Hz
                                  // monitor): the animation and the particles advance
extern bool physicsTicked;        // a fixed step ran and its environment capture has not been
                                  // recorded yet
extern bool lowRefreshMonitor;    // the monitor runs at 60 Hz or less (start-up's frame-rate choice)

// ---- display switches ---------------------------------------------------------------------
extern bool muted;                // M: master volume 0 and the mute icon
extern bool hideTimer;            // U in presentation mode: the HUD shows no time
extern bool wireframe;            // F1: polygons drawn as lines
extern bool faceCulling;          // F2: back faces culled

// ---- sound events: raised by the game, served (and cleared) by SoundManager::update -------
extern bool abyssSoundPending;    // the thief is over the abyss edge (height between -2 and -1.4)
extern bool landingArmed;         // the thief was above -0.5: the next landing sounds
extern bool landingSoundPending;  // Player::update saw a landing
extern bool jumpSoundPending;     // Player::update took off
extern bool walking;              // the thief moved on the ground this step: footsteps
extern bool outroSoundPending;    // the escape narration
extern bool narBagPending;        // the narration after the pickup of artifact 0
extern bool narChestPending;      // ... of artifact 1
extern bool narMapPending;        // ... of artifact 2
extern bool titleSoundPending;    // the title screen's narration
extern bool ambiencePending;      // the loading screen starts the ambience loops
extern bool introSoundRequested;  // the intro screen has raised its sound; never cleared
extern bool clockTicking;         // the last 11 seconds of a run: the clock ticks

// ---- animation and rendering --------------------------------------------------------------
extern bool turnLeft;             // the mouse turned the thief left this step; set by
                                  // Player::turnByMouse, cleared by the animation choice
extern bool turnRight;            // the same, to the right
extern bool renderingCubemap;     // the environment capture is drawing its six faces: the
                                  // player pass must not advance the animation
extern bool flareVisible;         // the sun projects inside the view volume
extern glm::vec2 sunScreenPos;    // the sun in normalised device coordinates
extern unsigned int envCubemapTexture;  // cube map the reflective cube samples; 0 until the
                                        // first capture (an OpenGL name the environment map owns)

// ---- fades (0 to 1) -----------------------------------------------------------------------
extern float textFadeAlpha;       // the intro and end texts; FadeTimings::update writes it
extern float statusMessageTimer;  // the pickup message's alpha, computed by the HUD
extern float fallFade;            // alpha of the "failed" image while falling; updateGame
extern float fallOverlayFade;     // alpha of the red overlay while falling; updateGame
extern float escapeFade;          // alpha of the "success" image after the escape; updateGame
extern float timeoutFade;         // alpha of the time-out image; renderEndScreen
extern float blendFactor;         // 1 within 3 units of the world origin, 0 from 10 units on
                                  // (1 at start): blends the light colour, tints the sky
extern float introLoopFactor;     // loop volume factor while the intro closes (0.5 at start)

// ---- the artifacts (level coordinates; the world position is (x, y, -z)) ------------------
constexpr int artifactCount = 3;
extern const std::array<glm::vec3, artifactCount> artifactPositions;  // where each one stands
extern const std::array<const char*, artifactCount> artifactNames;  // two blanks between words
extern std::array<bool, artifactCount> artifactPresent;  // not taken yet (all true at start)
extern const glm::vec3 compassPosition;   // the escape marker, render space
extern std::string statusMessage;         // name of the artifact taken last

// ---- data start-up fills once (not reset) -------------------------------------------------
// (1,1), (1,0), (0,0), (0,1) six times: each face of a level box shows its texture once.
extern std::vector<glm::vec2> boxTexCoords;  // filled by start-up before the level is built

// ---- the physics world (PhysicsWorld.h): null until initPhysX, null again after
// shutdownPhysX; not reset ------------------------------------------------------------------
extern phys::Foundation* physxFoundation;      // made before main runs
extern phys::Pvd* physxPvd;                    // the visual debugger, when one listens
extern phys::PvdTransport* physxTransport;     // its socket
extern const bool trackAllocations;            // the physics object tracks its allocations
extern phys::Physics* physxPhysics;            // makes the scene, the actors and the materials
extern phys::CpuDispatcher* physxDispatcher;   // two worker threads
extern phys::Scene* physxScene;                // the one scene: level boxes, the sun, the thief
extern phys::ControllerManager* controllerManager;  // makes the thief's character controller
extern phys::Material* physxMaterials[3];      // (0.5, 0.5, 0.6), (10, 10, 0.1), (0.5, 0.5, 0.6);
                                               // the static-actor builder reuses slot 0

// ---- singletons: function-local statics, made by the first getInstance call --------------
//   GameState::getInstance()    the run's clock and counters; first made by loadSettings,
//                               before GLFW starts
//   FadeTimings::getInstance()  the tick thresholds of the text fades; constant
//   Player::getInstance()       the thief and its character controller; needs the physics world
//                               (Player.cpp's playerMade records that it exists: the test reset
//                               does not make it)
//   Camera::getInstance()       the third-person camera; its aspect is the window's when made

// ---- test seams (not reset: a fixture sets them once) --------------------------------------
extern bool drawEveryPassInFull;  // every pass drawn whole, as if no work could be skipped: each
                                  // capture face after every fixed step, a clear on every frame,
                                  // the particles under the screens, the pause picture on every
                                  // pass, images at alpha 0, no scissor and no cached upload. Off
                                  // in the game; the reference the skipping passes are checked
                                  // against (tests/identity/FullPassCheck.cpp; the capture's
                                  // tests turn it on around a capture of their own)
//   Camera::setCursorSource     where the camera reads the cursor (Camera.cpp's cursorSource)
//   the clock sources           platform/PlatformState.h

// Tests: puts every setting, window value, flag, fade and artifact back to its initial value,
// then the GameState and the Camera, and the Player when it has been made and the physics world
// it lives in still exists. The data start-up fills, the physics world and the test seams stay.
void resetStateForTests();
// The same for a test window of width x height pixels: windowWidth / windowHeight and
// currentWidth / currentHeight take it before the camera is made.
void resetStateForTests(int width, int height);
