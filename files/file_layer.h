// Host file access: every file the program reads or writes goes through these four functions.
//
// A caller-owned FileControlBlock carries everything about one open file; every call names
// the file, the block and an operation: -1 open only, 0 open and transfer, 1 transfer, 2 close.
// Files are opened without sharing (flock LOCK_EX|LOCK_NB); a file locked by another program
// is 0x200000 | 32. Results: 0 success, -1 end of file, 2 file not found, otherwise a stage
// value in the upper 16 bits with a detail (Windows-style error code, argument or byte count)
// in the lower 16. Names are Shift-JIS and are converted to the file system's UTF-8 at open;
// a name that cannot be converted fails the open with the invalid-name code 123.
// Nothing here reports through k_fatal_error: callers decide.
#pragma once
#include <cstdint>

constexpr int32_t FCB_FRESH = 59630;
constexpr int32_t FCB_OPEN = 59631;
constexpr int32_t FCB_CLOSED = 59632;

constexpr int FILE_OPEN_ONLY = -1;
constexpr int FILE_OPEN = 0;
constexpr int FILE_TRANSFER = 1;
constexpr int FILE_CLOSE = 2;

struct FileControlBlock {
    int handle;  // file descriptor while state is FCB_OPEN
    int32_t state;
    uint32_t size;      // taken when k_file_rw opens the file
    uint32_t position;  // k_text_lineget: first byte not yet returned
};

// Positioned read (direction 0) or write (1) of an existing file.
int k_file_rw(int op, int direction, const char* name, void* buffer, uint32_t offset,
              uint32_t count, uint32_t* done, FileControlBlock* block);
// Sequential read of an existing file; a short read closes the file and returns -1.
int k_file_read(int op, const char* name, void* buffer, uint32_t count, uint32_t* done,
                FileControlBlock* block);
// Creates (or empties) a file and writes it front to back.
int k_file_write(int op, const char* name, const void* buffer, uint32_t count, uint32_t* done,
                 FileControlBlock* block);
