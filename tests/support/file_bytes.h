// Files as tests make and check them: whole contents, patterned contents, a fixed stamp.
#pragma once
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

inline std::string fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Bytes that differ from block to block, so a block stored twice or out of place shows.
inline std::string patterned(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = char(i * 7 + i / 251);
    return bytes;
}

// 2000/01/15 12:30:00 local time: an even second, so that it survives an MS-DOS stamp.
inline time_t stamp2000() {
    tm local{};
    local.tm_year = 100;
    local.tm_mday = 15;
    local.tm_hour = 12;
    local.tm_min = 30;
    local.tm_isdst = -1;
    return mktime(&local);
}
