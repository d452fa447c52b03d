#pragma once
// The small state machine that picks the thief's clip from the player's height and movement
// keys and cross-fades to it over 15 selections, and the animation step of an update tick.
#include "renderer/PlayerModel.h"

class Player;

// One selection of the clip from the player's height (physics space) and its W, S, A, D flags.
void selectPlayerAnimation(PlayerModel& model, Player& player);
// The same from the two things it reads.
void selectPlayerAnimation(PlayerModel& model, float playerHeight, bool movementKeyHeld);

// One animation step of an update tick: selection, the cross-fade handed to the animator, the
// current clip advanced by dt seconds and wrapped, the previous clip wrapped but held, the bone
// matrices computed and kept in boneMatrices.
void stepPlayerAnimation(PlayerModel& model, Player& player, float dt);

// The player pass's animation half, run by the frame pass just before the thief is drawn: on an
// update tick outside the environment capture, one step with the player and the seconds
// between the last two fixed steps.
void animatePlayer(PlayerModel& model);
