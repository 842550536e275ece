// The IBM PC/AT serial port: an 8250, 16450 or 16550 UART at the base address the BIOS lists
// for COMn. Set to 8 data bits, no parity, 1 stop bit, DTR and RTS raised, interrupts off, and
// the 16550's FIFO on where the chip has a working one.
#pragma once
#include <cstdint>

#include "serial_chip.h"

constexpr uint32_t UART_CLOCK_RATE = 115200;  // the rate of divisor 1

// The I/O base of COM1..COM4 from the BIOS data area (0040:0000); 0 when the BIOS lists none.
uint16_t uart_bios_base(int port);

class Uart8250 final : public SerialChip {
  public:
    // `rate` must divide 115200 exactly (50 to 115200 bit/s).
    ChipOpen open(uint16_t base, uint32_t rate);
    bool hasFifo() const { return fifo_; }

    bool receive(uint8_t* byte) override;
    bool send(uint8_t byte) override;
    void close() override;

  private:
    uint16_t base_ = 0;
    bool fifo_ = false;
    uint8_t room_ = 0;  // bytes the transmitter takes before it must be asked again
    uint8_t savedLineControl_ = 0;
    uint8_t savedModemControl_ = 0;
    uint8_t savedInterrupts_ = 0;
    uint16_t savedDivisor_ = 0;
};
