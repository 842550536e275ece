#include "dos/engine/block_buffer.h"

uint8_t dos_block[BLOCK_BYTES_MAX];
