#pragma once
// The frame loop's body: one pass per call, paced by the frame gate, and the per-frame update
// that advances the game by at most one fixed step of 1/60 s.
struct GameContext;
struct GLFWwindow;
class ParticleSystem;

// The window's contents were lost (exposed, restored): a paused window draws its picture again.
// Installed with glfwSetWindowRefreshCallback.
void windowRefreshCallback(GLFWwindow* window);

// The window's framebuffer has a new size (a compositor may give a full-screen window its size
// only a while after it was made, and leaving full screen gives the window's back): the game
// draws at that size from the next pass on. A size of zero (a minimised window) changes nothing.
// Installed with glfwSetFramebufferSizeCallback.
void framebufferSizeCallback(GLFWwindow* window, int width, int height);

// One pass of the frame loop (gate, pause fade, restart, pause picture, screens or game frame,
// swap and poll). Returns false when the gate held the pass back (nothing was drawn). A pause
// picture already on screen is neither drawn nor swapped again.
bool runFramePass(GameContext& context);

// Every buffer swap of a pass goes through this hook (glfwSwapBuffers by default), so a test can
// count the swaps of a pass; nullptr puts glfwSwapBuffers back.
using SwapBuffersHook = void (*)(GLFWwindow* window);
void setSwapBuffersHook(SwapBuffersHook hook);

// advanceFixedStep (time measured, at most one fixed step: rules, player, camera, physics),
// then recomputes the per-frame values the renderer and the sound read. It draws nothing: the
// pass clears the frame after the environment capture.
void updateGame(GameContext& context);

// The per-frame values of updateGame, split out for tests: the fades from the player's height,
// blendFactor from its distance to the origin, the light colour from blendFactor.
float fallFadeForHeight(float y);
float fallOverlayFadeForHeight(float y);
float escapeFadeForTicks(int endScreenTicks);
float blendFactorForDistance(float d);
