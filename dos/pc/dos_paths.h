// DOS path text, Shift-JIS aware: a "\" or ":" that is the second byte of a double-byte
// character is not a separator. Paths live in fixed buffers of DOS_PATH_MAX bytes.
#pragma once
#include <cstdint>

constexpr uint32_t DOS_PATH_MAX = 128;

// Length of the directory part of `path` (through its last "\" or ":"); 0 when it has none.
uint32_t dos_directory_length(const char* path, uint32_t length);
// Copies `length` bytes to `out` (DOS_PATH_MAX) with a NUL; false when they do not fit or hold
// a NUL of their own.
bool dos_copy_path(const char* text, uint32_t length, char* out);
// "C:\WORK\" for the current directory of the current drive, always ending in "\".
void dos_current_path(char* out);
// "X:\DIR\" for a directory as a command names it ("", "X:", "SUB\", "X:SUB\", "\SUB\",
// "X:\SUB\"); false when it does not fit.
bool dos_full_directory(const char* directory, char* out);
// Whether `name` can be one file's name on DOS: no wildcard, no path and none of the
// characters DOS forbids (Shift-JIS second bytes aside).
bool dos_plain_file_name(const char* name);
uint32_t dos_length(const char* text);
// Appends `text` to the NUL-terminated `path`; false when DOS_PATH_MAX would be exceeded.
bool dos_append(char* path, const char* text);
