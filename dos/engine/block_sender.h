// One LinkBlock from the MS-DOS side to the Windows side (GET), through its whole exchange:
// the block, the Windows side's answer (ACK, NAK, or under verification the echo, this side's
// verdict on it and the Windows side's final word), and the block again after each rejection,
// until it is taken, the Windows side gives up with ESC 'E', or the block has been repeated as
// often as the Windows side repeats one of its own.
#pragma once
#include <cstdint>

#include "dos/engine/engine_machine.h"
#include "dos/engine/exchange_line.h"

enum class BlockSend {
    Delivered,
    Rejected,  // only inside: a rejected block is sent again
    Aborted,   // the Windows side gave up (ESC 'E')
    Failed,    // the line failed or the exchange broke
    GaveUp,    // rejected on every repeat: this side ends the transfer
};

// `block` is built and whole; a damage the machine asks for is undone before this returns. A
// data block the machine skips is Delivered without being sent.
BlockSend dos_send_block(ExchangeLine& line, EngineMachine& machine, uint8_t* block, bool verify);
