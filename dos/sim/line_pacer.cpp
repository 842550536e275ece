#include "dos/sim/line_pacer.h"

#include <time.h>

#include <cerrno>

int64_t monotonic_ns() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

LinePacer::LinePacer(uint32_t bitsPerSecond) {
    // Kept as a fraction-free figure of 10 bits per byte; rates that do not divide 1e10 lose
    // less than one nanosecond per byte, far below what a benchmark can see.
    if (bitsPerSecond > 0) nsPerByte_ = int64_t(10'000'000'000LL / bitsPerSecond);
}

int64_t LinePacer::completeAt(size_t byteIndex) const {
    return runStart_ + int64_t(byteIndex) * nsPerByte_;
}

void LinePacer::startRun() {
    const int64_t lineFree = completeAt(taken_);
    const int64_t now = monotonic_ns();
    runStart_ = now > lineFree ? now : lineFree;
    taken_ = 0;
}

size_t LinePacer::due() const {
    const int64_t elapsed = monotonic_ns() - runStart_;
    if (elapsed <= 0) return 0;
    const auto complete = size_t(elapsed / nsPerByte_);
    return complete > taken_ ? complete - taken_ : 0;
}

void LinePacer::waitFor(size_t count) const {
    const int64_t at = completeAt(taken_ + count);
    timespec until{time_t(at / 1'000'000'000), long(at % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

size_t LinePacer::chunk() const {
    const auto perMs = size_t(1'000'000 / nsPerByte_);
    return perMs > 0 ? perMs : 1;
}
