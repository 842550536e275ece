// On a machine with one floppy drive DOS lets it be both A: and B:, and whenever the other
// letter is used it asks at the DOS keyboard "Insert diskette for drive B: and press any key
// when ready". Nobody may be at that keyboard, so VELMOD refuses such a letter instead.
#pragma once
#include <cstdint>

#include "text_buffer.h"

// The first drive (0 = A:) that `text` names as "X:" and that would make DOS ask for the disk
// to be swapped; -1 when there is none.
int swap_drive_in(const char* text, uint32_t length);
// "VELMOD: B: is the same floppy drive as A: here ..." for the host's screen.
void describe_swap_drive(uint8_t drive, TextBuffer* line);
