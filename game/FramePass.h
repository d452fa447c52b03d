#pragma once
// One frame of the running game: the order of its passes and the OpenGL state between them.
struct GameContext;

// The scene of a game frame, without its GUI: depth test and multisampling on, the lit level,
// the collectibles, the player, the mirror cube, the sky, the sun and both particle systems.
// Clears updateTick once the particles and the player have read it.
void drawScene(GameContext& context);

// The mirror cube's faces that the camera as it stands can show and that do not hold the last
// capture yet, drawn from it (before the frame clears the window).
void drawMirrorFacesInView(GameContext& context);

// Draws one game frame in the fixed pass order: the camera follows, the mirror's faces in view
// are brought up to the last capture, the window is cleared and the passes draw. Draws nothing
// (and clears nothing) while the window is closing.
void renderFrame(GameContext& context);
