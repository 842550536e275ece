// The one clock the benchmarks measure with: CLOCK_MONOTONIC in nanoseconds.
#pragma once
#include <time.h>

#include <cstdint>

inline int64_t k_bench_now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

inline timespec k_bench_timespec(int64_t nanos) {
    if (nanos < 0) nanos = 0;
    return timespec{time_t(nanos / 1'000'000'000), long(nanos % 1'000'000'000)};
}
