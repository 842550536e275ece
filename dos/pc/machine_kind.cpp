#include "machine_kind.h"

#include "hardware.h"

namespace {

bool digit(uint8_t c) {
    return c >= '0' && c <= '9';
}

bool biosDate() {
    // "MM/DD/YY": digits around two slashes.
    constexpr uint16_t SEGMENT = 0xF000, OFFSET = 0xFFF5;
    for (uint16_t i = 0; i < 8; ++i) {
        const uint8_t c = far_byte(SEGMENT, uint16_t(OFFSET + i));
        if ((i == 2 || i == 5) ? c != '/' : !digit(c)) return false;
    }
    return true;
}

bool pc9821RomId() {
    return far_word(0xF8E8, 0x0000) == 0x2198;
}

}  // namespace

MachineKind detect_machine() {
    if (biosDate()) return MachineKind::At;
    if (pc9821RomId()) return MachineKind::Pc98;
    return MachineKind::Unknown;
}
