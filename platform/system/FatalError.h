#pragma once
#include <string>
#include <vector>

// The framework's fatal-error convention: each line on standard output with a line end and a
// flush, then one character read from standard input, then std::exit(1) so at-exit clean-up
// runs as at any other exit. Never returns.
[[noreturn]] void fatalError(const std::vector<std::string>& lines);
[[noreturn]] void fatalError(const std::string& line);

// The wait and the exit alone, for callers that printed their message themselves.
[[noreturn]] void fatalExit();
