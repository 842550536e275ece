// The answer to a plain command: each line as ESC 'R' + TextRecord, the new prompt as a record
// with the prompt flag, then ESC 'E'. Every ESC 'R' and every record waits for the Windows
// side's ACK; a NAK after a record means its user cancelled, and the answer ends at once.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "dos_line.h"

// `lines` and `prompt` are Shift-JIS; lines longer than a record are wrapped, the prompt is
// shortened from the front. false when the Windows side stopped listening or the line failed.
bool dos_send_answer(DosLine& line, const std::vector<std::string>& lines, std::string_view prompt);
