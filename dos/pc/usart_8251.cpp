#include "usart_8251.h"

#include "hardware.h"

namespace {

constexpr uint16_t USART_DATA = 0x30;
constexpr uint16_t USART_CONTROL = 0x32;   // mode and command words; reads as status
constexpr uint16_t INTERRUPT_MASK = 0x35;  // system port C: the USART's interrupt enables
constexpr uint16_t TIMER_COUNT_2 = 0x75;
constexpr uint16_t TIMER_MODE = 0x77;
constexpr uint16_t WAIT_PORT = 0x5F;  // each write waits about 0.6 microseconds

constexpr uint8_t USART_INTERRUPTS = 0x07;     // RXRE, TXEE, TXRE
constexpr uint8_t TIMER_2_SQUARE_WAVE = 0xB6;  // counter 2, low then high byte, mode 3
constexpr uint8_t MODE_8N1_X16 = 0x4E;         // 1 stop bit, no parity, 8 bits, clock x16
constexpr uint8_t COMMAND_RESET = 0x40;
constexpr uint8_t COMMAND_RUN = 0x37;  // RTS, error reset, receive on, DTR, transmit on
constexpr uint8_t STATUS_TX_READY = 0x01;
constexpr uint8_t STATUS_RX_READY = 0x02;
constexpr uint8_t STATUS_ERRORS = 0x38;  // parity, overrun, framing

constexpr uint16_t BIOS_SEGMENT = 0x0000;
constexpr uint16_t SYSTEM_FLAGS = 0x0501;
constexpr uint8_t EIGHT_MHZ_FAMILY = 0x80;

// The 8251A needs a recovery time between two writes to it.
void recover() {
    for (int i = 0; i < 5; ++i) port_out(WAIT_PORT, 0);
}

}  // namespace

uint32_t pc98_timer_clock() {
    return (far_byte(BIOS_SEGMENT, SYSTEM_FLAGS) & EIGHT_MHZ_FAMILY) ? PC98_TIMER_8MHZ_FAMILY
                                                                     : PC98_TIMER_5MHZ_FAMILY;
}

Pc98Rate pc98_rate(uint32_t timerClock, uint32_t rate) {
    Pc98Rate result;
    const uint32_t base = timerClock / 16;
    if (rate == 0 || rate > base) {
        result.nearest = base;
        return result;
    }
    const uint32_t count = (base + rate / 2) / rate;
    if (count > 0xFFFF) return result;
    result.nearest = base / count;
    const uint32_t off = result.nearest > rate ? result.nearest - rate : rate - result.nearest;
    if (off * 50 <= rate) result.divisor = uint16_t(count);
    return result;
}

ChipOpen Usart8251::open(uint32_t timerClock, uint32_t rate) {
    const Pc98Rate setting = pc98_rate(timerClock, rate);
    if (setting.divisor == 0) return ChipOpen::BadRate;

    savedInterruptMask_ = port_in(INTERRUPT_MASK);
    port_out(INTERRUPT_MASK, savedInterruptMask_ & ~USART_INTERRUPTS);
    port_out(TIMER_MODE, TIMER_2_SQUARE_WAVE);
    port_out(TIMER_COUNT_2, uint8_t(setting.divisor));
    port_out(TIMER_COUNT_2, uint8_t(setting.divisor >> 8));

    reset();
    // A chip just reset has its transmitter ready and no error flags; absent hardware reads
    // 0xFF, flags and all.
    if ((port_in(USART_CONTROL) & (STATUS_TX_READY | STATUS_ERRORS)) != STATUS_TX_READY) {
        port_out(INTERRUPT_MASK, savedInterruptMask_);
        return ChipOpen::NoChip;
    }
    open_ = true;
    uint8_t stale;
    while (receive(&stale)) {
    }
    return ChipOpen::Ok;
}

// Three zero writes bring the chip to taking commands whatever it expected next (a mode word,
// then sync characters, in the worst case); the internal reset then makes it take a mode word.
// The reset also empties the transmitter.
void Usart8251::reset() {
    for (int i = 0; i < 3; ++i) command(0);
    command(COMMAND_RESET);
    command(MODE_8N1_X16);
    command(COMMAND_RUN);
}

void Usart8251::dropUnsent() {
    if (open_) reset();
}

void Usart8251::command(uint8_t value) {
    port_out(USART_CONTROL, value);
    recover();
}

bool Usart8251::receive(uint8_t* byte) {
    const uint8_t status = port_in(USART_CONTROL);
    // A framing or overrun error stops nothing, but its flag stays until reset.
    if (status & STATUS_ERRORS) command(COMMAND_RUN);
    if (!(status & STATUS_RX_READY)) return false;
    *byte = port_in(USART_DATA);
    return true;
}

bool Usart8251::send(uint8_t byte) {
    if (!(port_in(USART_CONTROL) & STATUS_TX_READY)) return false;
    port_out(USART_DATA, byte);
    recover();
    return true;
}

void Usart8251::close() {
    if (!open_) return;
    port_out(INTERRUPT_MASK, savedInterruptMask_);
    open_ = false;
}
