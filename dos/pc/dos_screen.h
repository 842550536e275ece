// VELMOD's own screen: a title line, then one line per exchange with what ran and what it moved.
// Text goes to standard output through DOS, so it also works with the screen redirected.
#pragma once
#include <cstdint>

#include "dos/engine/engine_machine.h"
#include "machine_kind.h"
#include "text_buffer.h"

void screen_write(const char* text);
void screen_line(const TextBuffer& line);
// Clears the screen the way the machine's console does it.
void screen_clear(MachineKind kind);

// "> DIR" when an exchange starts (shown first, so a command that waits for the keyboard can be
// seen), and the rest of its line when it ends: a command's output lines, a transfer's files
// and bytes, or what went wrong (`problem`).
void screen_exchange_starts(const Exchange& exchange);
void screen_exchange_ends(const Exchange& exchange, uint32_t outputLines,
                          const TextBuffer& problem);
