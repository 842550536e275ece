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

// A local time as the file system stores it.
inline time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return mktime(&local);
}

// 2000/01/15 12:30:00: an even second, so that it survives an MS-DOS stamp.
inline time_t stamp2000() {
    return localTime(2000, 1, 15, 12, 30, 0);
}
