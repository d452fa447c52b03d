#pragma once
// All keyboard input of the game. Movement keys set the player's requests when pressed (and
// W, S, A, D clear them when released); every other command acts when its key is released.
// Key-repeat events do nothing.
struct GLFWwindow;

// GLFW's key-callback form; scancode and modifier bits are ignored.
void keyCallback(GLFWwindow* window, int key, int scancode, int action, int mods);
