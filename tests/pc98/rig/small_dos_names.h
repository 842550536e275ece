// DOS's names and error codes, as the small DOS needs them.
#pragma once
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

constexpr uint16_t ERROR_INVALID_FUNCTION = 1, ERROR_FILE_NOT_FOUND = 2, ERROR_PATH_NOT_FOUND = 3,
                   ERROR_TOO_MANY_OPEN = 4, ERROR_ACCESS_DENIED = 5, ERROR_INVALID_HANDLE = 6,
                   ERROR_NO_MORE_FILES = 18;
constexpr uint8_t ATTRIBUTE_READ_ONLY = 0x01, ATTRIBUTE_HIDDEN = 0x02, ATTRIBUTE_DIRECTORY = 0x10;
constexpr size_t MAX_HANDLES = 20;

// The parts of a DOS path, in capitals; the second byte of a Shift-JIS character is never a
// separator.
std::vector<std::string> components(const std::string& path);
// Where the last "\" or ":" is (npos when there is none).
size_t lastSeparator(const std::string& path);
// A name in the 11 characters of a directory entry; "*" fills the rest of its part with "?".
std::string elevenCharacters(const std::string& name);
bool matchesPattern(const std::string& pattern, const std::string& entry);
// A name DOS can hold: at most 8 characters, then at most 3 after one dot.
bool fitsDos(const std::string& name);
// An 8-digit hexadecimal name, for files nobody named.
std::string hexName(uint32_t number);

time_t modifiedTime(const std::filesystem::path& path);
