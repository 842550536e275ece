// One LinkBlock from the MS-DOS side to the Windows side (GET), through its whole exchange:
// the block, the Windows side's answer (ACK, NAK, or under verification the echo, this side's
// verdict on it and the Windows side's final word), and the block again after each rejection,
// until it is taken or the Windows side gives up with ESC 'E'.
#pragma once
#include <cstddef>
#include <cstdint>

#include "dos_line.h"

enum class BlockSend { Delivered, Aborted, Failed };

// `corruptSends`: how many of the first sends go out with a wrong checksum (-1: every send).
BlockSend dos_send_block(DosLine& line, const uint8_t* block, size_t size, bool verify,
                         int corruptSends);
