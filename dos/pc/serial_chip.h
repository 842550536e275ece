// One serial chip, polled: VELMOD never takes the serial interrupt, it asks the chip for a
// received byte and for room to send as it goes. The PC/AT's UART and the PC-98's USART each
// implement it; the line above them does not know which one it has.
#pragma once
#include <cstdint>

enum class ChipOpen {
    Ok,
    NoChip,   // nothing answers at the chip's ports
    BadRate,  // the chip cannot be set to the rate asked for
};

class SerialChip {
  public:
    // A received byte, if one is waiting.
    virtual bool receive(uint8_t* byte) = 0;
    // Hands the byte to the transmitter when it has room; false (nothing sent) when it is busy.
    virtual bool send(uint8_t byte) = 0;
    // Forgets bytes handed over but not yet sent, after a write gave up on them; they would
    // otherwise go out ahead of the next exchange. A chip that sends whatever the modem lines
    // say has none.
    virtual void dropUnsent() {}
    // Puts the chip back as it was found, as far as it can be read.
    virtual void close() = 0;

  protected:
    ~SerialChip() = default;
};
