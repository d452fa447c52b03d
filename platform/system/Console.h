#pragma once
#include <cstdio>
#include <string>

// Every diagnostic of the game goes to standard output and is flushed at once, so the
// console shows it even when the process ends right after.

// The text, a line end, flush.
void consoleLine(const std::string& text);

// The text without a line end, flush: the next output continues on the same line.
void consoleText(const std::string& text);

// Reads one character from `in` (a console returns it once Enter is pressed). Returns the
// character, or EOF at once when the stream is at its end, closed or failing, so a fatal
// exit never hangs on a closed standard input.
int waitForCharacter(std::FILE* in = stdin);
