// INT 21h, the MS-DOS services VELMOD uses, as small typed calls. Each returns the DOS error
// code (0 = success) where a call can fail; names and paths are NUL-terminated bytes as DOS
// takes them (Shift-JIS passes through unchanged).
#pragma once
#include <cstddef>
#include <cstdint>

struct DosRegisters {
    uint16_t ax, bx, cx, dx, si, di, flags;
};
extern "C" void dos_interrupt(DosRegisters* registers);

constexpr uint16_t FLAG_CARRY = 0x0001;
constexpr uint16_t FLAG_ZERO = 0x0040;

uint16_t dos_write(uint16_t handle, const void* bytes, uint16_t count, uint16_t* written = nullptr);
