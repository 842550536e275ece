// A clock that stands where the test puts it, in use for the object's lifetime.
#pragma once
#include "base/clock.h"

class FixedClock final : public Clock {
  public:
    explicit FixedClock(LocalTime at = {2000, 1, 15, 12, 30, 0}) : time(at) { k_set_clock(this); }
    ~FixedClock() override { k_set_clock(nullptr); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;

    uint32_t tick = 1000;
    LocalTime time;
    uint32_t tickMs() const override { return tick; }
    LocalTime now() const override { return time; }
};
