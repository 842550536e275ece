// Wildcard file-name resolution: the files a "#PUT" pattern names, one per call.
//
// A pattern is a local path whose last component may hold "*" and "?"; the directory part is
// read with opendir/readdir and names are matched without regard to case. Regular files count
// as archive (0x20), read-only ones add 0x01; names starting with "." count as hidden (0x02);
// directories 0x10; anything else (devices, fifos, sockets) is skipped.
#pragma once
#include <cstdint>

constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

constexpr int FIND_FIRST = 0;
constexpr int FIND_NEXT = 1;
constexpr int FIND_CLOSE = 2;
constexpr int FIND_NAME_MAX = 1024;  // the output buffer of k_NormalFileNameGet

struct FindData {
    uint32_t attributes;
    char fileName[260];  // Shift-JIS
};

struct FindContext {
    void* handle;   // the open directory stream while state is FCB_OPEN
    int32_t state;  // FCB_FRESH, FCB_OPEN, FCB_CLOSED
    FindData data;
    char directory[FIND_NAME_MAX];  // the pattern's directory, as the file system names it
    char mask[260];                 // the pattern's last component
};

// 0 with an entry, -1 nothing (more) found or closed, 10 bad mode, 20 close failed,
// 30 next without an open search.
int k_FindFile_fnameget2(int mode, const char* pattern, uint32_t attributeMask,
                         uint32_t* attributes, const char** name, FindContext* ctx);
// The next ordinary file (not a directory, hidden or system file) as the pattern's directory
// part followed by its name, into `out` (FIND_NAME_MAX bytes). 40 when that does not fit.
int k_NormalFileNameGet(int mode, const char* pattern, char* out, FindContext* ctx);
