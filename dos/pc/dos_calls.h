// INT 21h: the MS-DOS services VELMOD uses, as small typed calls. A call that can fail returns
// the DOS error code (0 = success). Paths are NUL-terminated bytes as DOS takes them, so
// Shift-JIS names pass through unchanged.
#pragma once
#include <cstddef>
#include <cstdint>

struct DosRegisters {
    uint16_t ax, bx, cx, dx, si, di, flags;
};
extern "C" void dos_interrupt(DosRegisters* registers);

// DOS error codes VELMOD tells apart.
constexpr uint16_t DOS_FILE_NOT_FOUND = 2;
constexpr uint16_t DOS_PATH_NOT_FOUND = 3;
constexpr uint16_t DOS_ACCESS_DENIED = 5;
constexpr uint16_t DOS_NO_MORE_FILES = 18;
constexpr uint16_t DOS_WRITE_PROTECTED = 19;
constexpr uint16_t DOS_DISK_FULL = 0xFFFF;  // our own: a write that DOS cut short

constexpr uint16_t ATTRIBUTE_HIDDEN = 0x02;
constexpr uint16_t ATTRIBUTE_DIRECTORY = 0x10;

constexpr uint16_t STDOUT = 1;
constexpr uint16_t STDERR = 2;

// The disk transfer area as find-first and find-next fill it.
struct [[gnu::packed]] DosFindData {
    uint8_t reserved[21];
    uint8_t attributes;
    uint16_t time;
    uint16_t date;
    uint32_t size;
    char name[13];
};

struct [[gnu::packed]] DosExecBlock {
    uint16_t environment;  // 0: the caller's
    uint16_t tailOffset, tailSegment;
    uint16_t fcb1Offset, fcb1Segment;
    uint16_t fcb2Offset, fcb2Segment;
};

// The segment VELMOD runs in (its PSP).
uint16_t dos_program_segment();
// 0x0A1E for 10.30: major in the high byte.
uint16_t dos_version();

uint16_t dos_open(const char* path, uint8_t mode, uint16_t* handle);
// A new file with a unique name in `directory` (which ends in "\" and has 13 bytes of room
// after its NUL, where DOS appends the name).
uint16_t dos_create_unique(char* directory, uint16_t attributes, uint16_t* handle);
// Creates or truncates.
uint16_t dos_create(const char* path, uint16_t attributes, uint16_t* handle);
// Whether the open handle is a character device (CON, PRN, NUL ...), not a file.
bool dos_is_device(uint16_t handle);
uint16_t dos_read(uint16_t handle, void* buffer, uint16_t count, uint16_t* got);
// DOS_DISK_FULL when fewer bytes than asked were written.
uint16_t dos_write(uint16_t handle, const void* bytes, uint16_t count);
uint16_t dos_seek_start(uint16_t handle);
uint16_t dos_close(uint16_t handle);
uint16_t dos_delete(const char* path);
uint16_t dos_rename(const char* from, const char* to);
uint16_t dos_attributes(const char* path, uint16_t* attributes);
uint16_t dos_set_attributes(const char* path, uint16_t attributes);
uint16_t dos_set_file_time(uint16_t handle, uint16_t date, uint16_t time);

void dos_set_transfer_area(DosFindData* area);
uint16_t dos_find_first(const char* pattern, uint16_t attributes);
uint16_t dos_find_next();

// 0 = A:.
uint8_t dos_current_drive();
// Makes `drive` (0 = A:) the current one if it exists; the current drive afterwards.
uint8_t dos_select_drive(uint8_t drive);
// The letter (1 = A:) that the physical drive of `drive` (0 = A:) answers to now when it has
// more than one (a single floppy drive as A: and B:); 0 when it has one.
uint8_t dos_logical_drive_owner(uint8_t drive);
// The current directory of `drive` (0 = A:) without drive and leading "\", 64 bytes.
uint16_t dos_current_directory(uint8_t drive, char* out);
uint16_t dos_free_bytes(uint8_t drive, uint32_t* bytes);

uint16_t dos_duplicate(uint16_t handle, uint16_t* copy);
uint16_t dos_force_duplicate(uint16_t handle, uint16_t target);
uint16_t dos_exec(const char* program, DosExecBlock* block);

void dos_set_vector(uint8_t number, void (*handler)());
// A key from the DOS keyboard if one is waiting (Ctrl-C is not acted on).
bool dos_console_key(uint8_t* key);

// The cause behind the last failed call (after a critical error that was failed, the call
// itself only reports "failed on INT 24h").
uint16_t dos_extended_error();
// The seconds of the DOS clock.
uint8_t dos_clock_second();
// A value of VELMOD's environment ("COMSPEC") into `out` (`capacity` bytes with the NUL).
bool dos_environment(const char* name, char* out, uint32_t capacity);
// What a DOS error code means, for the screen.
const char* dos_error_text(uint16_t error);