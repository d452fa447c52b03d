#pragma once
#include <cstdint>

// Milliseconds on a monotonic clock, counted from the first reading of the process and wrapping
// at 2^32 like a 32-bit system tick count. Only differences between two readings mean anything.
// Counting from the process start keeps the values small: the frames-per-second window reads
// them in single precision, which a tick counted since boot would blur after a few hours.
std::uint32_t monotonicTickMs();
