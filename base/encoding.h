// Conversion between the program's Shift-JIS (code page 932) and the UTF-8 of the world
// outside: keyboard and input-method text, drawing, batch output and local file names.
// Everything inside the program stays Shift-JIS bytes; these functions are used only at the
// edges.
#pragma once
#include <string>
#include <string_view>

#include "base/lead_byte.h"

// false when a character has no Shift-JIS form (out then holds what converted before it).
bool k_cp932_from_utf8(std::string_view utf8, std::string* out);
// false when the bytes are not valid Shift-JIS (out then holds what converted before them).
bool k_utf8_from_cp932(std::string_view cp932, std::string* out);
// For showing text from the other machine on a terminal: valid characters as UTF-8, control
// bytes other than TAB in caret notation (^[ for ESC, ^? for DEL), undecodable bytes as "\xHH".
// Never lets a control character through.
std::string k_utf8_inert(std::string_view cp932);
