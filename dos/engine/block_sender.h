// One LinkBlock from the MS-DOS side to velmo (GET), through its whole exchange: the block,
// velmo's answer (ACK, NAK, or under verification the echo, this side's verdict on it and
// velmo's final word), and the block again after each rejection, until it is taken, velmo
// gives up with ESC 'E', or the block has been sent again BLOCK_REPEATS_MAX times.
#pragma once
#include <cstdint>

#include "dos/engine/engine_machine.h"
#include "dos/engine/exchange_line.h"

enum class BlockSend {
    Delivered,
    Rejected,  // only inside: a rejected block is sent again
    Aborted,   // velmo gave up (ESC 'E')
    Failed,    // the line failed or the exchange broke
    GaveUp,    // rejected on every repeat: this side ends the transfer
};

// `block` is built and whole; a damage the machine asks for is undone before this returns. A
// data block the machine skips is Delivered without being sent.
BlockSend dos_send_block(ExchangeLine& line, EngineMachine& machine, uint8_t* block, bool verify);
