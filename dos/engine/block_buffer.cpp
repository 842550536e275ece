#include "dos/engine/block_buffer.h"

uint8_t link_block_buffer[BLOCK_BYTES_MAX];
