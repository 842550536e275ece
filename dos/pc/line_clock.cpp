#include "line_clock.h"

#include "hardware.h"

namespace {

constexpr uint16_t BIOS_DATA_SEGMENT = 0x0040;
constexpr uint16_t TICK_COUNT = 0x006C;
constexpr uint32_t TICKS_PER_DAY = 0x1800B0;  // the count starts again at midnight
constexpr uint32_t MS_PER_TICK = 55;

constexpr uint16_t WAIT_PORT = 0x5F;
constexpr int WAITS_PER_STEP = 16;
constexpr int STEPS_PER_LOOK = 16;
// Far above any machine's rate, and low enough that steps x 1000 stays within 32 bits.
constexpr uint32_t MAX_STEPS_PER_SECOND = 4000000;

uint32_t biosTicks() {
    // The timer interrupt may change the count between the two halves: read until stable.
    for (;;) {
        const uint16_t low = far_word(BIOS_DATA_SEGMENT, TICK_COUNT);
        const uint16_t high = far_word(BIOS_DATA_SEGMENT, TICK_COUNT + 2);
        if (far_word(BIOS_DATA_SEGMENT, TICK_COUNT) == low) return uint32_t(high) << 16 | low;
    }
}

}  // namespace

uint32_t BiosTickClock::nowMs() {
    const uint32_t ticks = biosTicks();
    if (started_) {
        const uint32_t passed =
            ticks >= lastTicks_ ? ticks - lastTicks_ : ticks + TICKS_PER_DAY - lastTicks_;
        ms_ += passed * MS_PER_TICK;
    }
    started_ = true;
    lastTicks_ = ticks;
    return ms_;
}

void CalibratedClock::step() {
    for (int i = 0; i < WAITS_PER_STEP; ++i) port_out(WAIT_PORT, 0);
}

void CalibratedClock::calibrate(uint8_t (*second)()) {
    // Reading the DOS clock costs time of its own: look at it only every few steps.
    const auto stepsUntilChange = [&](uint8_t from) {
        uint32_t steps = 0;
        while (second() == from && steps < MAX_STEPS_PER_SECOND) {
            for (int i = 0; i < STEPS_PER_LOOK; ++i) step();
            steps += STEPS_PER_LOOK;
        }
        return steps;
    };
    stepsUntilChange(second());
    const uint32_t steps = stepsUntilChange(second());
    stepsPerSecond_ = steps ? steps : 1;
}

uint32_t CalibratedClock::nowMs() {
    step();
    if (++steps_ >= stepsPerSecond_) {
        ++seconds_;
        steps_ = 0;
    }
    return seconds_ * 1000 + steps_ * 1000 / stepsPerSecond_;
}
