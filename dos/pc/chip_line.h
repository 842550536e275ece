// The engine's line over a polled serial chip: reads wait with the idle time-out on the line's
// clock, writes hand each byte to the chip as it has room, and the DOS keyboard is watched
// throughout, where ESC ends VELMOD (and a running exchange with it).
#pragma once
#include <cstdint>

#include "dos/engine/engine_line.h"
#include "line_clock.h"
#include "serial_chip.h"

// The person at the DOS machine: asked now and then whether they want VELMOD to end.
class StopKey {
  public:
    virtual bool pressed() = 0;

  protected:
    ~StopKey() = default;
};

class ChipLine final : public EngineLine {
  public:
    ChipLine(SerialChip& chip, LineClock& clock, StopKey& stopKey)
        : chip_(chip), clock_(clock), stopKey_(stopKey) {}

    LineRead read(uint8_t* buffer, uint32_t count, uint32_t idleMs) override;
    LineRead awaitByte(uint8_t* byte) override;
    bool write(const uint8_t* bytes, uint32_t count) override;

  private:
    LineRead stopExchange();

    SerialChip& chip_;
    LineClock& clock_;
    StopKey& stopKey_;
    bool stopped_ = false;
};
