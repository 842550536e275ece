// The MS-DOS side of the link, written once for every machine that plays it.
//
// The engine waits for a CommandFrame, checks and answers it, and carries the command out: a
// plain command's output as text records and the new prompt, a GET as header and data blocks
// (repeats, verification), a PUT as blocks checked, echoed when asked and stored only when
// whole. Every byte format comes from wire/wire_format.h, shared with velmo.
//
// Freestanding: no heap, no exceptions, no RTTI, no library beyond <cstdint>, <cstddef>,
// <type_traits> and <array>; its buffers are static (about 10 KiB). It relies on memcpy,
// memset, memcmp and memmove, which the compiler may call on its own.
#pragma once
#include <cstdint>

#include "dos/engine/engine_line.h"
#include "dos/engine/engine_machine.h"

// Serves commands until the line reports a stop request. `idleTimeoutMs`: how long velmo may
// stay silent inside an exchange before it is given up.
void dos_engine_serve(EngineLine& line, EngineMachine& machine, uint32_t idleTimeoutMs);
