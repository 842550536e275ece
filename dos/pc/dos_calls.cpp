#include "dos_calls.h"

#include "hardware.h"

namespace {

constexpr uint16_t FLAG_CARRY = 0x0001;
constexpr uint16_t FLAG_ZERO = 0x0040;

uint16_t near(const void* pointer) {
    return uint16_t(reinterpret_cast<uintptr_t>(pointer));
}

constexpr uint16_t FAILED_BY_CRITICAL_HANDLER = 83;

uint16_t call(DosRegisters& r) {
    dos_interrupt(&r);
    if (!(r.flags & FLAG_CARRY)) return 0;
    return r.ax == FAILED_BY_CRITICAL_HANDLER ? dos_extended_error() : r.ax;
}

DosRegisters registers(uint16_t ax, uint16_t bx = 0, uint16_t cx = 0, uint16_t dx = 0) {
    return DosRegisters{ax, bx, cx, dx, 0, 0, 0};
}

uint16_t simple(uint16_t ax, uint16_t bx = 0, uint16_t cx = 0, uint16_t dx = 0) {
    DosRegisters r = registers(ax, bx, cx, dx);
    return call(r);
}

}  // namespace

uint16_t dos_program_segment() {
    uint16_t segment;
    asm("mov %%cs, %0" : "=r"(segment));
    return segment;
}

uint16_t dos_version() {
    DosRegisters r = registers(0x3000);
    dos_interrupt(&r);
    return uint16_t((r.ax & 0xFF) << 8 | r.ax >> 8);
}

uint16_t dos_open(const char* path, uint8_t mode, uint16_t* handle) {
    DosRegisters r = registers(uint16_t(0x3D00 | mode), 0, 0, near(path));
    const uint16_t error = call(r);
    *handle = r.ax;
    return error;
}

uint16_t dos_create_unique(char* directory, uint16_t attributes, uint16_t* handle) {
    DosRegisters r = registers(0x5A00, 0, attributes, near(directory));
    const uint16_t error = call(r);
    *handle = r.ax;
    return error;
}

uint16_t dos_create(const char* path, uint16_t attributes, uint16_t* handle) {
    DosRegisters r = registers(0x3C00, 0, attributes, near(path));
    const uint16_t error = call(r);
    *handle = r.ax;
    return error;
}

bool dos_is_device(uint16_t handle) {
    constexpr uint16_t INFO_DEVICE = 0x80;
    DosRegisters r = registers(0x4400, handle);
    return call(r) == 0 && (r.dx & INFO_DEVICE);
}

uint16_t dos_read(uint16_t handle, void* buffer, uint16_t count, uint16_t* got) {
    DosRegisters r = registers(0x3F00, handle, count, near(buffer));
    const uint16_t error = call(r);
    *got = error ? 0 : r.ax;
    return error;
}

uint16_t dos_write(uint16_t handle, const void* bytes, uint16_t count) {
    DosRegisters r = registers(0x4000, handle, count, near(bytes));
    const uint16_t error = call(r);
    if (error) return error;
    return r.ax < count ? DOS_DISK_FULL : 0;
}

uint16_t dos_seek_start(uint16_t handle) {
    return simple(0x4200, handle, 0, 0);
}

uint16_t dos_close(uint16_t handle) {
    return simple(0x3E00, handle);
}

uint16_t dos_delete(const char* path) {
    return simple(0x4100, 0, 0, near(path));
}

uint16_t dos_rename(const char* from, const char* to) {
    DosRegisters r = registers(0x5600, 0, 0, near(from));
    r.di = near(to);  // ES:DI, and ES is our segment
    return call(r);
}

uint16_t dos_attributes(const char* path, uint16_t* attributes) {
    DosRegisters r = registers(0x4300, 0, 0, near(path));
    const uint16_t error = call(r);
    *attributes = error ? 0 : r.cx;
    return error;
}

uint16_t dos_set_attributes(const char* path, uint16_t attributes) {
    return simple(0x4301, 0, attributes, near(path));
}

uint16_t dos_set_file_time(uint16_t handle, uint16_t date, uint16_t time) {
    return simple(0x5701, handle, time, date);
}

void dos_set_transfer_area(DosFindData* area) {
    simple(0x1A00, 0, 0, near(area));
}

uint16_t dos_find_first(const char* pattern, uint16_t attributes) {
    return simple(0x4E00, 0, attributes, near(pattern));
}

uint16_t dos_find_next() {
    return simple(0x4F00);
}

uint8_t dos_current_drive() {
    DosRegisters r = registers(0x1900);
    dos_interrupt(&r);
    return uint8_t(r.ax);
}

uint8_t dos_select_drive(uint8_t drive) {
    simple(0x0E00, 0, 0, drive);
    return dos_current_drive();
}

uint8_t dos_logical_drive_owner(uint8_t drive) {
    DosRegisters r = registers(0x440E, uint16_t(drive + 1));
    return call(r) == 0 ? uint8_t(r.ax) : 0;
}

uint16_t dos_current_directory(uint8_t drive, char* out) {
    DosRegisters r = registers(0x4700, 0, 0, uint16_t(drive + 1));
    r.si = near(out);
    return call(r);
}

uint16_t dos_free_bytes(uint8_t drive, uint32_t* bytes) {
    DosRegisters r = registers(0x3600, 0, 0, uint16_t(drive + 1));
    dos_interrupt(&r);
    if (r.ax == 0xFFFF) return 15;  // invalid drive
    // Sectors per cluster x free clusters x bytes per sector.
    *bytes = uint32_t(r.ax) * r.bx * r.cx;
    return 0;
}

uint16_t dos_duplicate(uint16_t handle, uint16_t* copy) {
    DosRegisters r = registers(0x4500, handle);
    const uint16_t error = call(r);
    *copy = r.ax;
    return error;
}

uint16_t dos_force_duplicate(uint16_t handle, uint16_t target) {
    return simple(0x4600, handle, target);
}

uint16_t dos_exec(const char* program, DosExecBlock* block) {
    return simple(0x4B00, near(block), 0, near(program));
}

void dos_set_vector(uint8_t number, void (*handler)()) {
    simple(uint16_t(0x2500 | number), 0, 0, near(reinterpret_cast<const void*>(handler)));
}

bool dos_console_key(uint8_t* key) {
    DosRegisters r = registers(0x0600, 0, 0, 0x00FF);
    dos_interrupt(&r);
    if (r.flags & FLAG_ZERO) return false;
    *key = uint8_t(r.ax);
    return true;
}

uint16_t dos_extended_error() {
    DosRegisters r = registers(0x5900);
    dos_interrupt(&r);
    return r.ax;
}

uint8_t dos_clock_second() {
    DosRegisters r = registers(0x2C00);
    dos_interrupt(&r);
    return uint8_t(r.dx >> 8);
}

bool dos_environment(const char* name, char* out, uint32_t capacity) {
    constexpr uint16_t PSP_ENVIRONMENT = 0x2C;
    constexpr uint16_t ENVIRONMENT_MAX = 0x8000;
    const uint16_t segment = far_word(dos_program_segment(), PSP_ENVIRONMENT);
    const auto at = [segment](uint32_t offset) {
        return char(far_byte(segment, uint16_t(offset)));
    };
    // NAME=value entries, each NUL-terminated, up to an empty one.
    uint32_t entry = 0;
    while (entry < ENVIRONMENT_MAX && at(entry) != 0) {
        uint32_t i = 0;
        while (name[i] && at(entry + i) == name[i]) ++i;
        if (!name[i] && at(entry + i) == '=') {
            const uint32_t value = entry + i + 1;
            uint32_t n = 0;
            for (; at(value + n) != 0; ++n) {
                if (n + 1 >= capacity) return false;
                out[n] = at(value + n);
            }
            out[n] = 0;
            return true;
        }
        while (entry < ENVIRONMENT_MAX && at(entry) != 0) ++entry;
        ++entry;
    }
    return false;
}

const char* dos_error_text(uint16_t error) {
    switch (error) {
        case DOS_FILE_NOT_FOUND:
            return "file not found";
        case DOS_PATH_NOT_FOUND:
            return "path not found";
        case 4:
            return "too many open files";
        case DOS_ACCESS_DENIED:
            return "access denied (read-only, or a directory)";
        case 8:
            return "not enough memory";
        case 15:
            return "no such drive";
        case DOS_WRITE_PROTECTED:
            return "the disk is write-protected";
        case 21:
            return "the drive is not ready";
        case 29:
            return "write fault";
        case 30:
            return "read fault";
        case DOS_DISK_FULL:
            return "the disk is full";
        default:
            return "DOS error";
    }
}
