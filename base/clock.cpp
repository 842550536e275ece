// The system clock, and the slot through which a test hands in a clock of its own.
#include "base/clock.h"

#include <time.h>

#include <cstdio>

namespace {

class SystemClock final : public Clock {
  public:
    uint32_t tickMs() const override {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        // Kept in 32 bits on purpose: callers rely on the wrap-around of a 32-bit tick.
        return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                     static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
    }

    LocalTime now() const override {
        const time_t seconds = time(nullptr);
        tm local{};
        localtime_r(&seconds, &local);
        return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour,        local.tm_min,     local.tm_sec};
    }
};

const SystemClock systemClock;
const Clock* installed = nullptr;

}  // namespace

const Clock& k_clock() {
    return installed != nullptr ? *installed : systemClock;
}

void k_set_clock(const Clock* clock) {
    installed = clock;
}

int k_datetime_text(char* buffer) {
    const LocalTime t = k_clock().now();
    return std::snprintf(buffer, DATETIME_TEXT_SIZE, "%04u/%02u/%02u %02u:%02u:%02u",
                         unsigned(t.year), unsigned(t.month), unsigned(t.day), unsigned(t.hour),
                         unsigned(t.minute), unsigned(t.second));
}
