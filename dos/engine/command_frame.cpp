#include "dos/engine/command_frame.h"

#include "wire/wire_format.h"

namespace {

constexpr uint32_t QUIET_AFTER_REFUSAL_MS = 100;

// Both copies of the longest text; the first one is the command handed on.
uint8_t frameText[2 * COMMAND_TEXT_MAX];

FrameResult refuse(ExchangeLine& line, DosCommand* command, uint8_t code) {
    command->refusal = code;
    line.writePair(ESC, code);
    return FrameResult::Refused;
}

FrameResult lostOrStopped(LineRead read) {
    return read == LineRead::Stopped ? FrameResult::Stopped : FrameResult::Lost;
}

}  // namespace

FrameResult dos_receive_command(ExchangeLine& line, DosCommand* command) {
    if (line.awaitCommandStart() != LineRead::Ok) return FrameResult::Stopped;
    if (!line.writeControl(ACK)) return FrameResult::Lost;

    uint8_t head[4];  // STX, flags, length
    const LineRead headRead = line.read(head, sizeof head);
    if (headRead != LineRead::Ok) return lostOrStopped(headRead);
    const uint32_t length = k_get16(head + 2);
    if (head[0] != STX || length % 2 != 0 || length > 2 * COMMAND_TEXT_MAX) {
        // Whatever else of the frame is on its way would be taken for the next command.
        line.drain(QUIET_AFTER_REFUSAL_MS);
        return refuse(line, command, DOS_ERROR_FRAME);
    }
    if (length > 0) {
        const LineRead textRead = line.read(frameText, length);
        if (textRead != LineRead::Ok) return lostOrStopped(textRead);
    }
    const uint32_t half = length / 2;
    if (__builtin_memcmp(frameText, frameText + half, half) != 0) {
        return refuse(line, command, DOS_ERROR_COPIES_DIFFER);
    }
    command->flags = head[1];
    command->text = reinterpret_cast<const char*>(frameText);
    command->length = half;
    return FrameResult::Received;
}

bool dos_accept_frame(ExchangeLine& line, EngineMachine& machine, Exchange* exchange) {
    if (!line.writeControl(ACK)) {
        exchange->end = ExchangeEnd::Lost;
        return false;
    }
    machine.exchangeStarts(*exchange);
    return true;
}

void dos_refuse_frame(ExchangeLine& line, Exchange* exchange, uint8_t code) {
    exchange->end = ExchangeEnd::Refused;
    exchange->refusal = code;
    line.writePair(ESC, code);
}
