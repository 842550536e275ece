// The one Shift-JIS rule that byte-level code needs: which bytes start a double-byte character.
// Freestanding, so that the MS-DOS side's engine uses the same rule.
#pragma once

// True when byte `b` may start a double-byte Shift-JIS character.
inline bool k_is_lead_byte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
