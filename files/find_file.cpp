// Wildcard search over opendir/readdir, in the manner of the platform search the program was
// first written for: "*" and "?" in the last component, letters matched without regard to
// case, a double-byte Shift-JIS character counted as one character.
#include "files/find_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <string_view>

#include "base/encoding.h"
#include "files/dos_wildcard.h"
#include "files/file_layer.h"
#include "files/reporter.h"

namespace {

constexpr const char* FIND_NAME = "k_FindFile_fnameget2";
constexpr const char* NORMAL_NAME = "k_NormalFileNameGet";
constexpr uint32_t NOT_ORDINARY =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

int failure(int kind, const char* name, int code, int first, int second) {
    k_fatal_error(kind, name, code, first, second);
    return code;
}

// The entry's attributes, or 0 for an entry that is not offered at all.
uint32_t attributesOf(DIR* dir, const char* fsName) {
    struct stat info;
    if (fstatat(dirfd(dir), fsName, &info, 0) != 0) return 0;  // dangling link, vanished
    uint32_t attributes;
    if (S_ISREG(info.st_mode)) {
        attributes = FILE_ATTRIBUTE_ARCHIVE;
        if ((info.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    } else if (S_ISDIR(info.st_mode)) {
        attributes = FILE_ATTRIBUTE_DIRECTORY;
    } else {
        return 0;  // devices, fifos and sockets are no files to copy
    }
    if (fsName[0] == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

// The Shift-JIS form of a file-system name, if it has one that leads back to the same name
// when the file is opened: "〜" (U+301C) and "～" (U+FF5E) share one Shift-JIS code, and a
// name that came back as the other would not be found. Such names are skipped, not mangled.
bool shiftJisName(const char* fsName, std::string* name) {
    std::string back;
    return k_cp932_from_utf8(fsName, name) && k_utf8_from_cp932(*name, &back) && back == fsName;
}

// The next directory entry that matches the mask, into ctx->data; false when there is none.
bool nextMatch(FindContext* ctx) {
    auto* dir = static_cast<DIR*>(ctx->handle);
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        std::string name;
        if (!shiftJisName(entry->d_name, &name) || name.size() >= sizeof ctx->data.fileName) {
            continue;
        }
        if (!k_dos_wildcard_match(ctx->mask, name.c_str())) continue;
        const uint32_t attributes = attributesOf(dir, entry->d_name);
        if (attributes == 0) continue;
        ctx->data.attributes = attributes;
        std::memcpy(ctx->data.fileName, name.c_str(), name.size() + 1);
        return true;
    }
    return false;
}

// Length of the directory part of a pattern: everything up to and including the last "/".
// "/" is never the second byte of a Shift-JIS character, so a plain search is exact.
size_t directoryLength(std::string_view pattern) {
    const size_t slash = pattern.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// Opens the pattern's directory and finds its first match; false (context fresh) if none.
bool findFirst(const char* pattern, FindContext* ctx) {
    ctx->state = FCB_FRESH;
    const std::string_view whole(pattern);
    const size_t split = directoryLength(whole);
    const std::string_view mask = whole.substr(split);
    std::string directory;
    if (mask.empty() || mask.size() >= sizeof ctx->mask ||
        !k_utf8_from_cp932(whole.substr(0, split), &directory) ||
        directory.size() >= sizeof ctx->directory) {
        return false;
    }
    if (directory.empty()) directory.push_back('.');  // the current directory
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return false;
    std::memcpy(ctx->directory, directory.c_str(), directory.size() + 1);
    std::memcpy(ctx->mask, mask.data(), mask.size());
    ctx->mask[mask.size()] = '\0';
    ctx->handle = dir;
    if (!nextMatch(ctx)) {
        closedir(dir);
        return false;
    }
    ctx->state = FCB_OPEN;
    return true;
}

int closeSearch(FindContext* ctx) {
    const bool open = ctx->state == FCB_OPEN;
    ctx->state = FCB_CLOSED;
    if (open && closedir(static_cast<DIR*>(ctx->handle)) != 0) {
        return failure(9, FIND_NAME, 20, 0, 0);
    }
    return -1;
}

bool accepted(uint32_t attributes, uint32_t mask) {
    return (attributes & mask) != 0 || (attributes == 0 && (mask & FILE_ATTRIBUTE_NORMAL) != 0);
}

}  // namespace

int k_FindFile_fnameget2(int mode, const char* pattern, uint32_t attributeMask,
                         uint32_t* attributes, const char** name, FindContext* ctx) {
    if (mode < FIND_FIRST || mode > FIND_CLOSE) return failure(9, FIND_NAME, 10, mode, 0);
    if (mode == FIND_CLOSE) return closeSearch(ctx);
    if (mode == FIND_FIRST) {
        // A search still open is ended first, so its directory stream is not lost.
        if (ctx->state == FCB_OPEN) closeSearch(ctx);
        if (!findFirst(pattern, ctx)) return -1;
    } else {
        if (ctx->state != FCB_OPEN) return failure(9, FIND_NAME, 30, ctx->state, 0);
        if (!nextMatch(ctx)) return closeSearch(ctx);
    }
    while (!accepted(ctx->data.attributes, attributeMask)) {
        if (!nextMatch(ctx)) return closeSearch(ctx);
    }
    *attributes = ctx->data.attributes;
    *name = ctx->data.fileName;
    return 0;
}

int k_NormalFileNameGet(int mode, const char* pattern, char* out, FindContext* ctx) {
    uint32_t attributes = 0;
    const char* name = nullptr;
    const uint32_t mask = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
    int rc = k_FindFile_fnameget2(mode, pattern, mask, &attributes, &name, ctx);
    while (rc == 0 && (attributes & NOT_ORDINARY) != 0) {
        rc = k_FindFile_fnameget2(FIND_NEXT, pattern, mask, &attributes, &name, ctx);
    }
    if (rc == -1) return -1;
    if (rc != 0) return failure(2, NORMAL_NAME, rc, rc, rc);

    const size_t split = directoryLength(pattern);
    const size_t nameLength = std::strlen(name);
    if (split + nameLength >= FIND_NAME_MAX) {
        return failure(2, NORMAL_NAME, 40, static_cast<int>(split + nameLength), 0);
    }
    std::memcpy(out, pattern, split);
    std::memcpy(out + split, name, nameLength + 1);
    return 0;
}
