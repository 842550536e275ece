#include "dos_calls.h"

namespace {

uint16_t call(DosRegisters& r) {
    dos_interrupt(&r);
    return (r.flags & FLAG_CARRY) ? r.ax : 0;
}

}  // namespace

uint16_t dos_write(uint16_t handle, const void* bytes, uint16_t count, uint16_t* written) {
    DosRegisters r{};
    r.ax = 0x4000;
    r.bx = handle;
    r.cx = count;
    r.dx = uint16_t(reinterpret_cast<uintptr_t>(bytes));
    const uint16_t error = call(r);
    if (written) *written = error ? 0 : r.ax;
    return error;
}
