// Wall-clock time for measuring: only frame costs and speeds are read from it, never
// the show's own clock.
#pragma once

#include <time.h>

struct Stopwatch {
    static long long nowNs()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    }
    static long long nowMs() { return nowNs() / 1000000; }
};
