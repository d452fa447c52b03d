#pragma once
// Counts heap allocations of the whole process, for the frame benchmark only: the benchmark
// binary replaces the global operator new and glibc's malloc family with counting wrappers
// around glibc's own allocator. C++ allocations (ours and the C++ libraries') are counted as
// "new"; C allocations (the OpenGL driver, the windowing and sound libraries) as "malloc", split
// by the calling thread, since llvmpipe's rasterizer threads allocate too.
// A sanitizer build keeps its own allocator: nothing is counted there.
#include <cstdint>

struct AllocationCounts {
    std::uint64_t newCalls = 0;
    std::uint64_t newBytes = 0;
    std::uint64_t mallocCallsMainThread = 0;  // malloc, calloc, realloc, aligned allocations
    std::uint64_t mallocCallsOtherThreads = 0;
};

AllocationCounts operator-(const AllocationCounts& after, const AllocationCounts& before);

// False when the build cannot replace the allocator (sanitizers).
bool allocationCountingAvailable();

// The thread whose C allocations count as the main thread's: the caller.
void markAllocationMainThread();

AllocationCounts allocationCounts();
