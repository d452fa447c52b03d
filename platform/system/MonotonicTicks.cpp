#include "platform/system/MonotonicTicks.h"

#include <time.h>

namespace {

std::uint64_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

}  // namespace

std::uint32_t monotonicTickMs() {
    static const std::uint64_t start = nowMs();
    return static_cast<std::uint32_t>(nowMs() - start);
}
