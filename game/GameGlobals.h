#pragma once
// Every piece of global state of the game layer, one line each. The layers below keep the rest:
// the renderer's table (renderer/RendererState.h), which includes the state layer's
// (state/GlobalState.h). All of it belongs to the main thread.
#include "game/GameContext.h"
#include "game/GameLoop.h"
#include "game/ScreenText.h"
#include "game/SoundManager.h"
#include "renderer/RendererState.h"

// ---- singletons --------------------------------------------------------------------------------
//   SoundManager::getInstance()  the sound engine and the game's 25 sounds; the first call (the
//                                GameContext constructor, in "SOUND SETUP") opens the device and
//                                loads them. Never destroyed: shutdown releases it.
//   main::context                the one GameContext, a function-local static of main made in
//                                "SOUND SETUP"; every frame function takes it by reference

// ---- test seams (not reset: a fixture sets them once) ----------------------------------------
//   injectedEngine()             (SoundManager.cpp) an engine the first getInstance uses instead
//                                of the sound device; SoundManager::injectEngine sets it
//   swapBuffersHook              (GameLoop.cpp) glfwSwapBuffers unless setSwapBuffersHook
//                                replaced it

// ---- scratch storage (no meaning between frames) -------------------------------------------------
//   drawTimeLeft()::line          (Screens.cpp) the HUD's time line, kept so that writing it each
//                                frame needs no new allocation
//   renderHud()::line             (Screens.cpp) the frames-per-second counter's line, the same way

// ---- constants (not state) ---------------------------------------------------------------------
//   screenText::introQuote and the HUD's text pieces (ScreenText.h); kNames, the sound files'
//   names (SoundManager.cpp); printTitleBanner()::libraries (Console.cpp); drawIntroText()::hint
//   (Screens.cpp), the controls hint as a string made once

// The game layer keeps nothing a test can put back without a device or a window: a test of the
// whole game resets with resetRendererStateForTests(), which covers every layer below, and puts
// the SoundManager's and the PlayerModel's fields back itself where it uses them.
