#include "files/unsendable_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <utility>

#include "base/encoding.h"
#include "files/dos_wildcard.h"

namespace {

bool hasShiftJisForm(const char* fsName) {
    std::string name;
    std::string back;
    return k_cp932_from_utf8(fsName, &name) && k_utf8_from_cp932(name, &back) && back == fsName;
}

// One "?" for each character that is not ASCII (UTF-8 continuation bytes are dropped).
std::string shownInAscii(const char* fsName) {
    std::string shown;
    for (const char* c = fsName; *c != '\0'; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (byte < 0x80) {
            shown.push_back(byte < 0x20 ? '?' : char(byte));
        } else if (byte >= 0xC0) {
            shown.push_back('?');
        }
    }
    return shown;
}

}  // namespace

std::vector<std::string> k_names_without_shift_jis(const char* pattern) {
    std::vector<std::string> names;
    const char* slash = std::strrchr(pattern, '/');
    const std::string mask = slash == nullptr ? pattern : slash + 1;
    std::string folder = ".";
    if (slash != nullptr &&
        !k_utf8_from_cp932(std::string_view(pattern, size_t(slash - pattern + 1)), &folder)) {
        return names;
    }
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) {
        struct stat info;
        if (entry->d_name[0] == '.' || hasShiftJisForm(entry->d_name)) continue;
        if (fstatat(dirfd(dir), entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode)) continue;
        // Matched as shown: a UTF-8 byte could pass for half of a Shift-JIS character.
        std::string shown = shownInAscii(entry->d_name);
        if (k_dos_wildcard_match(mask.c_str(), shown.c_str())) names.push_back(std::move(shown));
    }
    closedir(dir);
    return names;
}
