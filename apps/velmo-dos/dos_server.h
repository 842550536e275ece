// The machine's main loop: wait for a CommandFrame, carry the command out, answer, repeat.
#pragma once
#include "dos_drive.h"
#include "dos_line.h"
#include "dos_options.h"

// Returns when a stop is requested.
void dos_serve(DosLine& line, DosDrive& drive, const DosFaults& faults);
