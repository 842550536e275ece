// A line that only names a drive ("A:") is done by VELMOD itself: it needs no output file, and
// a drive that cannot be read is refused at once, so the link never sits on a dead drive.
#pragma once
#include <cstdint>

#include "dos/engine/engine_machine.h"
#include "text_buffer.h"

// false when the line is not a bare drive change; else true once it is done, or refused with
// the reason in *problem (sent to the host as well).
bool change_drive(const char* line, uint32_t length, CommandOutput& out, TextBuffer* problem);
