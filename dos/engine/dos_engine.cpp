#include "dos/engine/dos_engine.h"

#include "dos/engine/answer_sender.h"
#include "dos/engine/command_frame.h"
#include "dos/engine/get_sender.h"
#include "dos/engine/put_receiver.h"
#include "wire/wire_format.h"

namespace {

// Room for "A:\...\", one directory name of 255 bytes and ">": a deep prompt stays whole up
// to its innermost directory before it is shortened to fit a record.
constexpr uint32_t PROMPT_CAPACITY = 272;
constexpr char CLEAR_SCREEN[] = "!cls";

char prompt[PROMPT_CAPACITY];

bool isClearScreen(const DosCommand& command) {
    return command.length == sizeof CLEAR_SCREEN - 1 &&
           __builtin_memcmp(command.text, CLEAR_SCREEN, command.length) == 0;
}

ExchangeKind kindOf(const DosCommand& command) {
    if (command.flags & COMMAND_GET) return ExchangeKind::Get;
    if (command.flags & COMMAND_PUT) return ExchangeKind::Put;
    return isClearScreen(command) ? ExchangeKind::ClearScreen : ExchangeKind::Command;
}

// A plain command, or the screen clear: its output lines, then the new prompt.
void serveCommand(ExchangeLine& line, EngineMachine& machine, const DosCommand& command,
                  Exchange* exchange) {
    // COMMAND_VERIFY may be left over from the last transfer: a plain command ignores it.
    if (!dos_accept_frame(line, machine, exchange)) return;
    AnswerSender answer(line);
    if (exchange->kind == ExchangeKind::ClearScreen) {
        machine.clearScreen();
    } else {
        machine.runCommand(command.text, command.length, answer);
    }
    const uint32_t length = machine.prompt(prompt, PROMPT_CAPACITY);
    exchange->end = answer.finish(prompt, length < PROMPT_CAPACITY ? length : PROMPT_CAPACITY);
}

void runCommand(ExchangeLine& line, EngineMachine& machine, const DosCommand& command) {
    Exchange exchange{kindOf(command), command.text, command.length, ExchangeEnd::Done, 0, 0, 0};
    if ((command.flags & COMMAND_GET) && (command.flags & COMMAND_PUT)) {
        dos_refuse_frame(line, &exchange, DOS_ERROR_GET_AND_PUT);
    } else if (exchange.kind == ExchangeKind::Get) {
        dos_serve_get(line, machine, command, &exchange);
    } else if (exchange.kind == ExchangeKind::Put) {
        dos_serve_put(line, machine, command, &exchange);
    } else {
        serveCommand(line, machine, command, &exchange);
    }
    machine.exchangeEnds(exchange);
}

}  // namespace

void dos_engine_serve(EngineLine& engineLine, EngineMachine& machine, uint32_t idleTimeoutMs) {
    ExchangeLine line(engineLine, idleTimeoutMs);
    for (;;) {
        DosCommand command;
        switch (dos_receive_command(line, &command)) {
            case FrameResult::Stopped:
                return;
            case FrameResult::Lost:
                break;
            case FrameResult::Refused:
                machine.exchangeEnds(Exchange{ExchangeKind::Command, nullptr, 0,
                                              ExchangeEnd::Refused, command.refusal, 0, 0});
                break;
            case FrameResult::Received:
                runCommand(line, machine, command);
                break;
        }
    }
}
