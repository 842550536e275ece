// Text as the MS-DOS machine holds it: Shift-JIS bytes, lines of at most 80 bytes, and names
// whose separators are "\", "/" and ":" unless such a byte ends a double-byte character.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// UTF-8 -> Shift-JIS; a character without a Shift-JIS form becomes "?".
std::string dos_text(std::string_view utf8);
// Cuts a line into pieces of at most `width` bytes without splitting a double-byte character.
std::vector<std::string> dos_wrap(std::string_view line, size_t width);
// The part of a Shift-JIS name after its last separator.
std::string_view dos_last_component(std::string_view name);
