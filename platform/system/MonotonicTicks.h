#pragma once
#include <cstdint>

// Milliseconds on a monotonic clock, wrapping at 2^32 like a 32-bit system tick count.
// Only differences between two readings mean anything.
std::uint32_t monotonicTickMs();
