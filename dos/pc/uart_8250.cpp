#include "uart_8250.h"

#include "hardware.h"

namespace {

// Register offsets from the base address.
constexpr uint16_t DATA = 0;              // receive buffer / transmit holding; divisor low (DLAB)
constexpr uint16_t INTERRUPT_ENABLE = 1;  // divisor high while DLAB is set
constexpr uint16_t FIFO_CONTROL = 2;      // write; reads as interrupt identification
constexpr uint16_t LINE_CONTROL = 3;
constexpr uint16_t MODEM_CONTROL = 4;
constexpr uint16_t LINE_STATUS = 5;

constexpr uint8_t DIVISOR_LATCH = 0x80;  // line control: DLAB
constexpr uint8_t EIGHT_N_ONE = 0x03;
constexpr uint8_t DTR_RTS = 0x03;
constexpr uint8_t FIFO_ON_AND_CLEARED = 0x07;
constexpr uint8_t FIFO_WORKING = 0xC0;  // identification bits of a 16550A with its FIFO on
constexpr uint8_t DATA_READY = 0x01;
constexpr uint8_t HOLDING_EMPTY = 0x20;
constexpr uint8_t ALL_SENT = 0x40;  // holding register and shift register both empty
constexpr uint8_t FIFO_DEPTH = 16;

constexpr uint16_t BIOS_DATA_SEGMENT = 0x0040;

}  // namespace

uint16_t uart_bios_base(int port) {
    if (port < 1 || port > 4) return 0;
    return far_word(BIOS_DATA_SEGMENT, uint16_t((port - 1) * 2));
}

ChipOpen Uart8250::open(uint16_t base, uint32_t rate) {
    if (rate == 0 || rate > UART_CLOCK_RATE || UART_CLOCK_RATE % rate != 0) {
        return ChipOpen::BadRate;
    }
    if (base == 0) return ChipOpen::NoChip;
    // An absent chip reads 0xFF everywhere: the line control register must keep what is
    // written to it.
    const uint8_t lineControl = port_in(base + LINE_CONTROL);
    port_out(base + LINE_CONTROL, 0x1B);
    const bool present = port_in(base + LINE_CONTROL) == 0x1B;
    port_out(base + LINE_CONTROL, lineControl);
    if (!present) return ChipOpen::NoChip;

    base_ = base;
    savedLineControl_ = lineControl;
    savedModemControl_ = port_in(base + MODEM_CONTROL);
    savedInterrupts_ = port_in(base + INTERRUPT_ENABLE);
    port_out(base + LINE_CONTROL, lineControl | DIVISOR_LATCH);
    savedDivisor_ = uint16_t(port_in(base + DATA) | port_in(base + INTERRUPT_ENABLE) << 8);

    const uint16_t divisor = uint16_t(UART_CLOCK_RATE / rate);
    port_out(base + DATA, uint8_t(divisor));
    port_out(base + INTERRUPT_ENABLE, uint8_t(divisor >> 8));
    port_out(base + LINE_CONTROL, EIGHT_N_ONE);
    port_out(base + INTERRUPT_ENABLE, 0);
    port_out(base + MODEM_CONTROL, DTR_RTS);
    // Only a 16550A reports a working FIFO; an 8250/16450 ignores the write and an early 16550
    // (whose FIFO loses bytes) is left without it.
    port_out(base + FIFO_CONTROL, FIFO_ON_AND_CLEARED);
    fifo_ = (port_in(base + FIFO_CONTROL) & FIFO_WORKING) == FIFO_WORKING;
    room_ = 0;
    if (!fifo_) port_out(base + FIFO_CONTROL, 0);
    // Throw away whatever the chip held from before.
    while (port_in(base + LINE_STATUS) & DATA_READY) port_in(base + DATA);
    return ChipOpen::Ok;
}

bool Uart8250::receive(uint8_t* byte) {
    if (!(port_in(base_ + LINE_STATUS) & DATA_READY)) return false;
    *byte = port_in(base_ + DATA);
    return true;
}

bool Uart8250::send(uint8_t byte) {
    // An empty transmitter takes a whole FIFO's worth at once: the line never waits for us.
    if (room_ == 0) {
        if (!(port_in(base_ + LINE_STATUS) & HOLDING_EMPTY)) return false;
        room_ = fifo_ ? FIFO_DEPTH : 1;
    }
    port_out(base_ + DATA, byte);
    --room_;
    return true;
}

void Uart8250::close() {
    if (base_ == 0) return;
    // Let the last bytes leave before the rate changes under them.
    while (!(port_in(base_ + LINE_STATUS) & ALL_SENT)) {
    }
    if (fifo_) port_out(base_ + FIFO_CONTROL, 0);
    port_out(base_ + LINE_CONTROL, DIVISOR_LATCH);
    port_out(base_ + DATA, uint8_t(savedDivisor_));
    port_out(base_ + INTERRUPT_ENABLE, uint8_t(savedDivisor_ >> 8));
    port_out(base_ + LINE_CONTROL, savedLineControl_);
    port_out(base_ + INTERRUPT_ENABLE, savedInterrupts_);
    port_out(base_ + MODEM_CONTROL, savedModemControl_);
    base_ = 0;
}
