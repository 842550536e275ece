#include "single_floppy.h"

#include "dos_calls.h"

namespace {

// The letter (0 = A:) the drive's physical drive answers to now, when it has more than one.
bool activeLetter(uint8_t drive, uint8_t* active) {
    const uint8_t owner = dos_logical_drive_owner(drive);
    if (owner == 0 || owner == drive + 1) return false;
    *active = uint8_t(owner - 1);
    return true;
}

}  // namespace

int swap_drive_in(const char* text, uint32_t length) {
    for (uint32_t i = 1; i < length; ++i) {
        const char letter = char(text[i - 1] & ~0x20);
        uint8_t active = 0;
        if (text[i] == ':' && letter >= 'A' && letter <= 'Z' &&
            activeLetter(uint8_t(letter - 'A'), &active)) {
            return letter - 'A';
        }
    }
    return -1;
}

void describe_swap_drive(uint8_t drive, TextBuffer* line) {
    uint8_t active = 0;
    activeLetter(drive, &active);
    line->add("VELMOD: ")
        .add(char('A' + drive))
        .add(": is the same floppy drive as ")
        .add(char('A' + active))
        .add(": here; DOS would wait for a disk swap.");
}
