// The one LinkBlock buffer of the engine: a GET and a PUT never run at once, and a DOS program
// has no room for two.
#pragma once
#include <cstdint>

#include "wire/wire_format.h"

extern uint8_t link_block_buffer[BLOCK_BYTES_MAX];
