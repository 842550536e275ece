// Runs a plain command line the way DOS would: COMSPEC /C line, with the command's standard
// output and error sent to the capture file, whose lines then go to the host. Critical errors
// on the way are answered by VELMOD and reported after the output. The command's keyboard is
// VELMOD's: a command that asks for input waits for the person at the DOS machine.
#pragma once
#include <cstdint>

#include "dos/engine/engine_machine.h"
#include "text_buffer.h"

// Runs the line; on a failure that the host should know of, *problem says what went wrong
// (it has been sent to the host as the last output line as well).
void run_command_line(const char* line, uint32_t length, CommandOutput& out, TextBuffer* problem);
