// The MS-DOS side of a CommandFrame: ESC 'C' is answered ACK at once; the rest (STX, flags, the
// doubled text) is checked here and answered by whoever carries the command out, so that a GET
// or PUT can refuse its name with an error code in place of the final ACK.
#pragma once
#include <cstdint>

#include "dos/engine/engine_machine.h"
#include "dos/engine/exchange_line.h"

struct DosCommand {
    uint8_t flags = 0;
    const char* text = nullptr;  // Shift-JIS, as sent; valid until the next frame
    uint32_t length = 0;
    uint8_t refusal = 0;  // the error code a Refused frame was answered with
};

enum class FrameResult {
    Received,  // *command holds the frame: accept or refuse it
    Refused,   // a malformed frame was answered with an error code: wait for the next one
    Lost,      // the line failed or fell silent inside the frame: wait for the next one
    Stopped,
};

// Waits (as long as it takes) for ESC 'C', then reads the frame.
FrameResult dos_receive_command(ExchangeLine& line, DosCommand* command);
// The final ACK, after which the exchange has started; false (the exchange Lost) when it could
// not be sent.
bool dos_accept_frame(ExchangeLine& line, EngineMachine& machine, Exchange* exchange);
// ESC and the error code in place of the final ACK: the exchange ends there.
void dos_refuse_frame(ExchangeLine& line, Exchange* exchange, uint8_t code);
