#include "dos_paths.h"

#include "dos_calls.h"

namespace {

bool shiftJisLead(uint8_t c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

uint32_t dos_directory_length(const char* path, uint32_t length) {
    uint32_t directory = 0;
    for (uint32_t i = 0; i < length; ++i) {
        if (shiftJisLead(uint8_t(path[i])) && i + 1 < length) {
            ++i;
        } else if (path[i] == '\\' || path[i] == ':') {
            directory = i + 1;
        }
    }
    return directory;
}

bool dos_copy_path(const char* text, uint32_t length, char* out) {
    if (length >= DOS_PATH_MAX) return false;
    for (uint32_t i = 0; i < length; ++i) {
        if (text[i] == 0) return false;
        out[i] = text[i];
    }
    out[length] = 0;
    return true;
}

uint32_t dos_length(const char* text) {
    uint32_t length = 0;
    while (text[length]) ++length;
    return length;
}

bool dos_append(char* path, const char* text) {
    const uint32_t at = dos_length(path);
    const uint32_t length = dos_length(text);
    if (at + length >= DOS_PATH_MAX) return false;
    for (uint32_t i = 0; i <= length; ++i) path[at + i] = text[i];
    return true;
}

void dos_current_path(char* out) {
    const uint8_t drive = dos_current_drive();
    out[0] = char('A' + drive);
    out[1] = ':';
    out[2] = '\\';
    out[3] = 0;
    char directory[64] = {};
    if (dos_current_directory(drive, directory) == 0 && directory[0]) {
        dos_append(out, directory);
        dos_append(out, "\\");
    }
}

bool dos_full_directory(const char* directory, char* out) {
    const bool hasDrive = directory[0] && directory[1] == ':';
    const uint8_t drive = hasDrive ? uint8_t((directory[0] & ~0x20) - 'A') : dos_current_drive();
    const char* rest = hasDrive ? directory + 2 : directory;
    out[0] = char('A' + drive);
    out[1] = ':';
    out[2] = 0;
    if (rest[0] != '\\') {
        char current[64] = {};
        if (dos_current_directory(drive, current) != 0) return false;
        if (!dos_append(out, "\\")) return false;
        if (current[0] && !(dos_append(out, current) && dos_append(out, "\\"))) return false;
    }
    const uint32_t length = dos_length(rest);
    if (!dos_append(out, rest)) return false;
    return length == 0 || rest[length - 1] == '\\' || dos_append(out, "\\");
}

bool dos_plain_file_name(const char* name) {
    constexpr const char* FORBIDDEN = "*?\"/\\[]:|<>+=;,";
    if (name[0] == 0) return false;
    for (uint32_t i = 0; name[i]; ++i) {
        const uint8_t c = uint8_t(name[i]);
        if (shiftJisLead(c) && name[i + 1]) {
            ++i;
            continue;
        }
        if (c < 0x20) return false;
        for (const char* f = FORBIDDEN; *f; ++f) {
            if (c == uint8_t(*f)) return false;
        }
    }
    return true;
}
