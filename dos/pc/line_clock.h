// Milliseconds for the line's time-outs. The PC/AT counts the BIOS timer ticks (18.2 a second)
// at 0040:006C. The PC-98 BIOS keeps no such count, so there each reading of the clock waits a
// fixed number of I/O cycles on the wait port 5Fh and counts them, at a rate calibrated once
// against the DOS clock's seconds: time then advances only while the clock is read, which the
// line's polling loops do all the time they wait.
#pragma once
#include <cstdint>

class LineClock {
  public:
    virtual uint32_t nowMs() = 0;

  protected:
    ~LineClock() = default;
};

class BiosTickClock final : public LineClock {
  public:
    uint32_t nowMs() override;

  private:
    bool started_ = false;
    uint32_t lastTicks_ = 0;
    uint32_t ms_ = 0;
};

class CalibratedClock final : public LineClock {
  public:
    // Counts steps between two changes of `second()` (the DOS clock's seconds), at most about
    // two seconds.
    void calibrate(uint8_t (*second)());
    uint32_t stepsPerSecond() const { return stepsPerSecond_; }
    uint32_t nowMs() override;

  private:
    void step();
    uint32_t stepsPerSecond_ = 1;
    uint32_t steps_ = 0;
    uint32_t seconds_ = 0;
};
