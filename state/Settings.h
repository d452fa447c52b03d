#pragma once
// Reading the settings file. The settings globals themselves, with their defaults, are in the
// state layer's table, state/GlobalState.h.
#include "state/GlobalState.h"

class INIReader;

// Reads "../assets/settings.ini" into the settings globals, the game clock's timeLimit and the
// introDone / loadingScreen flags.
void loadSettings();

// The reading half of loadSettings, on a reader already parsed (tests hand it text).
void applySettings(const INIReader& reader);

// Clamps brightness to [0.01, 10] and derives gamma from it.
void applyBrightness();
