#include "chip_line.h"

namespace {

// A transmitter that takes no byte for this long is not there (no flow control is in use, so a
// working one always drains).
constexpr uint32_t STUCK_MS = 1000;
// The keyboard is asked once in this many empty polls: the chip comes first.
constexpr uint32_t POLLS_PER_KEY_LOOK = 64;
// Inside an exchange the keyboard is asked this often, bytes arriving or not.
constexpr uint32_t KEY_LOOK_MS = 250;

}  // namespace

LineRead ChipLine::read(uint8_t* buffer, uint32_t count, uint32_t idleMs) {
    uint32_t got = 0;
    uint32_t quietSince = clock_.nowMs();
    uint32_t keyLook = quietSince;
    while (got < count) {
        if (clock_.nowMs() - keyLook >= KEY_LOOK_MS) {
            keyLook = clock_.nowMs();
            if (stopped_ || stopKey_.pressed()) return stopExchange();
        }
        if (chip_.receive(buffer + got)) {
            ++got;
            quietSince = clock_.nowMs();
        } else if (clock_.nowMs() - quietSince >= idleMs) {
            return LineRead::Timeout;
        }
    }
    return LineRead::Ok;
}

// ESC in the middle of an exchange: the host is told the exchange is over, and VELMOD ends
// once the engine has left it.
LineRead ChipLine::stopExchange() {
    if (!stopped_) {
        stopped_ = true;
        const uint8_t end[] = {0x1B, 'E'};
        write(end, sizeof end);
    }
    return LineRead::Stopped;
}

LineRead ChipLine::awaitByte(uint8_t* byte) {
    if (stopped_) return LineRead::Stopped;
    for (uint32_t polls = 0;; ++polls) {
        if (chip_.receive(byte)) return LineRead::Ok;
        if (polls % POLLS_PER_KEY_LOOK == 0 && stopKey_.pressed()) return LineRead::Stopped;
    }
}

bool ChipLine::write(const uint8_t* bytes, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t since = clock_.nowMs();
        while (!chip_.send(bytes[i])) {
            if (clock_.nowMs() - since >= STUCK_MS) return false;
        }
    }
    return true;
}
