#include "support/pc98_serial.h"

#include <cstdio>

namespace {

constexpr uint16_t USART_DATA = 0x30;
constexpr uint16_t USART_CONTROL = 0x32;
constexpr uint16_t SYSTEM_PORT_C = 0x35;
constexpr uint16_t TIMER_COUNT_2 = 0x75;
constexpr uint16_t TIMER_CONTROL = 0x77;

// Command word bits.
constexpr uint8_t TRANSMIT_ENABLE = 0x01;
constexpr uint8_t RECEIVE_ENABLE = 0x04;
constexpr uint8_t ERROR_RESET = 0x10;
constexpr uint8_t INTERNAL_RESET = 0x40;
// Status bits.
constexpr uint8_t TX_READY = 0x01, RX_READY = 0x02, TX_EMPTY = 0x04;
constexpr uint8_t OVERRUN = 0x10, FRAMING_ERROR = 0x20;
constexpr uint8_t DATA_SET_READY = 0x80;  // the far end's ER is taken to be on
// Mode word: the low two bits are the clock factor, 00 for synchronous mode; in synchronous
// mode bit 7 asks for one sync character instead of two.
constexpr uint8_t SINGLE_SYNC = 0x80;
constexpr uint8_t EIGHT_BITS_NO_PARITY_MASK = 0x1C, EIGHT_BITS_NO_PARITY = 0x0C;

constexpr uint64_t NS_PER_SECOND = 1000000000;
constexpr uint64_t BITS_PER_BYTE = 10;  // start, 8 data, stop

std::string hex(uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02Xh", value);
    return text;
}

uint32_t clockFactor(uint8_t mode) {
    static constexpr uint32_t FACTORS[] = {0, 1, 16, 64};
    return FACTORS[mode & 3];
}

}  // namespace

Pc98Serial::Pc98Serial(uint32_t timerClock, uint32_t lineRate)
    : timerClock_(timerClock), lineRate_(lineRate) {}

uint8_t Pc98Serial::in(uint16_t port) {
    switch (port) {
        case USART_DATA: {
            const uint8_t byte = rxData_.value_or(0);
            rxData_.reset();
            return byte;
        }
        case USART_CONTROL:
            return uint8_t((txBuffer_ ? 0 : TX_READY) | (rxData_ ? RX_READY : 0) |
                           (txBuffer_ || txShifter_ ? 0 : TX_EMPTY) | errors_ | DATA_SET_READY);
        case SYSTEM_PORT_C:
            return systemPortC;
        default:
            return 0xFF;
    }
}

void Pc98Serial::out(uint16_t port, uint8_t value) {
    switch (port) {
        case USART_DATA:
            transmit(value);
            break;
        case USART_CONTROL:
            control(value);
            break;
        case SYSTEM_PORT_C:
            systemPortC = value;
            break;
        case TIMER_CONTROL:
            // Only channel 2 (select bits 10) is modelled; access bits 00 latch the count.
            if ((value >> 6) == 2 && (value & 0x30)) {
                timerAccess_ = (value >> 4) & 3;
                timerHighNext_ = timerAccess_ == 2;
            }
            break;
        case TIMER_COUNT_2: {
            const uint32_t loaded = count_ & 0xFFFF;
            if (timerHighNext_) {
                count_ = (loaded & 0x00FF) | uint32_t(value) << 8;
                timerHighNext_ = timerAccess_ == 2;
            } else {
                count_ = (loaded & 0xFF00) | value;
                timerHighNext_ = timerAccess_ == 3;
            }
            if (count_ == 0) count_ = 0x10000;
            break;
        }
        default:
            break;
    }
}

// After a reset the 8251A takes a mode word; in synchronous mode one or two sync characters
// follow it; then every write is a command word.
void Pc98Serial::control(uint8_t value) {
    switch (expect_) {
        case Expect::Mode:
            mode_ = value;
            if (clockFactor(value) != 0) {
                expect_ = Expect::Command;
            } else {
                expect_ = (value & SINGLE_SYNC) ? Expect::SecondSync : Expect::FirstSync;
            }
            break;
        case Expect::FirstSync:
            expect_ = Expect::SecondSync;
            break;
        case Expect::SecondSync:
            expect_ = Expect::Command;
            break;
        case Expect::Command:
            if (value & INTERNAL_RESET) {
                internalReset();
                break;
            }
            command_ = value;
            if (value & ERROR_RESET) errors_ = 0;
            break;
    }
}

// Whatever the transmitter and receiver held is gone (a guess: the data sheet says only that
// the chip returns to taking a mode word).
void Pc98Serial::internalReset() {
    expect_ = Expect::Mode;
    command_ = 0;
    errors_ = 0;
    txBuffer_.reset();
    txShifter_.reset();
    txShiftedNs_ = 0;
    rxData_.reset();
}

void Pc98Serial::transmit(uint8_t byte) {
    if (!carriesTheLine()) return;
    if (txBuffer_) setFault("a byte written while the transmitter held one");
    txBuffer_ = byte;
}

bool Pc98Serial::carriesTheLine() {
    if (expect_ != Expect::Command) {
        setFault("the chip takes data while it expects a mode or sync word");
        return false;
    }
    if (clockFactor(mode_) == 0 || (mode_ & EIGHT_BITS_NO_PARITY_MASK) != EIGHT_BITS_NO_PARITY) {
        setFault("mode word " + hex(mode_) + " does not frame 8 bits without parity");
        return false;
    }
    const uint64_t chipRate = timerClock_ / count_ / clockFactor(mode_);
    const uint64_t off = chipRate > lineRate_ ? chipRate - lineRate_ : lineRate_ - chipRate;
    if (off * 50 > lineRate_) {
        setFault("the chip runs at " + std::to_string(chipRate) + " bit/s, the line at " +
                 std::to_string(lineRate_));
        return false;
    }
    return true;
}

uint64_t Pc98Serial::chipByteNs() const {
    const uint64_t factor = clockFactor(mode_) ? clockFactor(mode_) : 1;
    return BITS_PER_BYTE * NS_PER_SECOND * count_ * factor / timerClock_;
}

void Pc98Serial::advance(uint64_t ns) {
    moveTransmitter(ns);
    moveReceiver(ns);
}

// The buffer passes its byte to the shift register as soon as that is free; the shift register
// starts only with CTS on and then finishes its byte whatever CTS does. So with CTS off the
// chip holds two bytes (a guess where the data sheet is silent).
void Pc98Serial::moveTransmitter(uint64_t ns) {
    while (command_ & TRANSMIT_ENABLE) {
        if (!txShifter_) {
            if (!txBuffer_) return;
            txShifter_ = txBuffer_;
            txBuffer_.reset();
        }
        if (txShiftedNs_ == 0 && !clearToSend) return;
        const uint64_t needed = chipByteNs() - txShiftedNs_;
        if (ns < needed) {
            txShiftedNs_ += ns;
            return;
        }
        ns -= needed;
        txShiftedNs_ = 0;
        outgoing.push_back(char(*txShifter_));
        txShifter_.reset();
    }
}

// The far end sends at its own rate; a byte that arrives before the last one was read
// overwrites it and sets the overrun flag. Parity errors never arise: the far end sends no
// parity, and a chip set to expect one is already a fault.
void Pc98Serial::moveReceiver(uint64_t ns) {
    const uint64_t byteNs = BITS_PER_BYTE * NS_PER_SECOND / lineRate_;
    while (!incoming.empty()) {
        const uint64_t needed = byteNs - rxShiftedNs_;
        if (ns < needed) {
            rxShiftedNs_ += ns;
            return;
        }
        ns -= needed;
        rxShiftedNs_ = 0;
        const uint8_t byte = incoming.front();
        incoming.pop_front();
        if (!(command_ & RECEIVE_ENABLE)) continue;
        if (!carriesTheLine()) {  // a byte framed otherwise than the chip expects
            errors_ |= FRAMING_ERROR;
            continue;
        }
        if (rxData_) {
            errors_ |= OVERRUN;
            ++overruns;
        }
        rxData_ = byte;
    }
}

void Pc98Serial::setFault(const std::string& what) {
    if (fault_.empty()) fault_ = what;
}
