// Text as the MS-DOS machine holds it: Shift-JIS bytes.
#pragma once
#include <string>
#include <string_view>

// UTF-8 -> Shift-JIS; a character without a Shift-JIS form becomes "?".
std::string dos_text(std::string_view utf8);
