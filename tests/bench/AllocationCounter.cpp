#include "AllocationCounter.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

AllocationCounts operator-(const AllocationCounts& after, const AllocationCounts& before) {
    AllocationCounts d;
    d.newCalls = after.newCalls - before.newCalls;
    d.newBytes = after.newBytes - before.newBytes;
    d.mallocCallsMainThread = after.mallocCallsMainThread - before.mallocCallsMainThread;
    d.mallocCallsOtherThreads = after.mallocCallsOtherThreads - before.mallocCallsOtherThreads;
    return d;
}

#if QV_COUNT_ALLOCATIONS

// glibc's allocator under its own names. Every wrapper below hands the block to these, so a
// block from any entry point may be released through any other, as with the plain allocator.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

// Plain integers behind relaxed atomics: the counters must not allocate, and the rasterizer
// threads call malloc concurrently with the main thread.
std::atomic<std::uint64_t> newCalls{0};
std::atomic<std::uint64_t> newBytes{0};
std::atomic<std::uint64_t> mallocMain{0};
std::atomic<std::uint64_t> mallocOther{0};
std::atomic<bool> mainThreadKnown{false};
pthread_t mainThread;

void countMalloc() {
    if (mainThreadKnown.load(std::memory_order_acquire) && pthread_equal(pthread_self(), mainThread)) {
        mallocMain.fetch_add(1, std::memory_order_relaxed);
    } else {
        mallocOther.fetch_add(1, std::memory_order_relaxed);
    }
}

void* countedNew(std::size_t size, std::size_t alignment) {
    newCalls.fetch_add(1, std::memory_order_relaxed);
    newBytes.fetch_add(size, std::memory_order_relaxed);
    if (size == 0) {
        size = 1;  // every new hands back a distinct block
    }
    for (;;) {
        void* block = alignment > alignof(std::max_align_t) ? __libc_memalign(alignment, size) : __libc_malloc(size);
        if (block) {
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (!handler) {
            throw std::bad_alloc();
        }
        handler();
    }
}

}  // namespace

bool allocationCountingAvailable() { return true; }

void markAllocationMainThread() {
    mainThread = pthread_self();
    mainThreadKnown.store(true, std::memory_order_release);
}

AllocationCounts allocationCounts() {
    AllocationCounts c;
    c.newCalls = newCalls.load(std::memory_order_relaxed);
    c.newBytes = newBytes.load(std::memory_order_relaxed);
    c.mallocCallsMainThread = mallocMain.load(std::memory_order_relaxed);
    c.mallocCallsOtherThreads = mallocOther.load(std::memory_order_relaxed);
    return c;
}

extern "C" {

void* malloc(std::size_t size) {
    countMalloc();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    countMalloc();
    return __libc_calloc(count, size);
}

void* realloc(void* block, std::size_t size) {
    countMalloc();
    return __libc_realloc(block, size);
}

void free(void* block) { __libc_free(block); }

void* memalign(std::size_t alignment, std::size_t size) {
    countMalloc();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    countMalloc();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    countMalloc();
    void* block = __libc_memalign(alignment, size);
    if (!block) {
        return ENOMEM;
    }
    *out = block;
    return 0;
}

}  // extern "C"

void* operator new(std::size_t size) { return countedNew(size, 0); }
void* operator new[](std::size_t size) { return countedNew(size, 0); }
void* operator new(std::size_t size, std::align_val_t alignment) {
    return countedNew(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return countedNew(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return countedNew(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return countedNew(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept { __libc_free(block); }
void operator delete[](void* block) noexcept { __libc_free(block); }
void operator delete(void* block, std::size_t) noexcept { __libc_free(block); }
void operator delete[](void* block, std::size_t) noexcept { __libc_free(block); }
void operator delete(void* block, std::align_val_t) noexcept { __libc_free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { __libc_free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { __libc_free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { __libc_free(block); }

#else

bool allocationCountingAvailable() { return false; }
void markAllocationMainThread() {}
AllocationCounts allocationCounts() { return {}; }

#endif
