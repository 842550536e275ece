#include "small_dos_names.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

namespace fs = std::filesystem;

namespace {

bool shiftJisLead(uint8_t c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < path.size(); ++i) {
        const uint8_t c = uint8_t(path[i]);
        if (shiftJisLead(c) && i + 1 < path.size()) {
            parts.back() += path.substr(i++, 2);
        } else if (c == '\\' || c == '/') {
            if (!parts.back().empty()) parts.emplace_back();
        } else {
            parts.back() += char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
    }
    if (parts.back().empty()) parts.pop_back();
    return parts;
}

std::string elevenCharacters(const std::string& name) {
    std::string entry(11, ' ');
    const size_t dot = name.find('.');
    const auto fill = [&entry](size_t at, size_t width, const std::string& part) {
        for (size_t i = 0; i < part.size() && i < width; ++i) {
            if (part[i] == '*') {
                std::fill(entry.begin() + long(at + i), entry.begin() + long(at + width), '?');
                return;
            }
            entry[at + i] = part[i];
        }
    };
    fill(0, 8, name.substr(0, dot));
    if (dot != std::string::npos) fill(8, 3, name.substr(dot + 1));
    return entry;
}

bool fitsDos(const std::string& name) {
    const size_t dot = name.find('.');
    if (dot == std::string::npos) return !name.empty() && name.size() <= 8;
    return dot > 0 && dot <= 8 && name.size() - dot - 1 <= 3 &&
           name.find('.', dot + 1) == std::string::npos;
}

bool matchesPattern(const std::string& pattern, const std::string& entry) {
    for (size_t i = 0; i < 11; ++i) {
        if (pattern[i] != '?' && pattern[i] != entry[i]) return false;
    }
    return true;
}

time_t modifiedTime(const fs::path& path) {
    struct stat info = {};
    stat(path.c_str(), &info);
    return info.st_mtime;
}

size_t lastSeparator(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (shiftJisLead(uint8_t(path[i]))) {
            ++i;
        } else if (path[i] == '\\' || path[i] == '/' || path[i] == ':') {
            last = i;
        }
    }
    return last;
}

std::string hexName(uint32_t number) {
    char name[9];
    std::snprintf(name, sizeof name, "%08X", number);
    return name;
}
