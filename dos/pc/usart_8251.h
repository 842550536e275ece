// The PC-98's built-in serial port: an 8251A USART at ports 30h/32h, clocked by channel 2 of
// the 8253 timer (ports 75h/77h) at 16 times the bit rate. The timer's input clock depends on
// the machine (2.4576 MHz or 1.9968 MHz), which the BIOS records at 0000:0501 bit 7.
// Set to 8 data bits, no parity, 1 stop bit, ER (DTR) and RS (RTS) on, its interrupts masked.
#pragma once
#include <cstdint>

#include "serial_chip.h"

constexpr uint32_t PC98_TIMER_5MHZ_FAMILY = 2457600;
constexpr uint32_t PC98_TIMER_8MHZ_FAMILY = 1996800;

// The timer clock of this machine, from the BIOS's system flags.
uint32_t pc98_timer_clock();

struct Pc98Rate {
    uint16_t divisor = 0;  // the 8253 count; 0 when the rate cannot be set
    uint32_t nearest = 0;  // the rate the nearest count gives (for a message when refused)
};
// The count for `rate` at `timerClock`; refused when the nearest count is more than 2 % off,
// beyond what the far end's receiver tolerates.
Pc98Rate pc98_rate(uint32_t timerClock, uint32_t rate);

class Usart8251 final : public SerialChip {
  public:
    ChipOpen open(uint32_t timerClock, uint32_t rate);

    bool receive(uint8_t* byte) override;
    bool send(uint8_t byte) override;
    // With CS off the chip holds up to two bytes that would go out once CS returns.
    void dropUnsent() override;
    // Unmasks the interrupts as they were. The 8251A's mode and command words and the 8253's
    // count cannot be read back, so the port stays at VELMOD's rate, 8N1, ER and RS on.
    void close() override;

  private:
    void reset();
    void command(uint8_t value);
    bool open_ = false;
    uint8_t savedInterruptMask_ = 0;
};
