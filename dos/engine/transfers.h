// What both file transfers of the MS-DOS side (dos/engine/get_sender.h and put_receiver.h)
// work with.
#pragma once
#include "dos/engine/command_frame.h"
#include "dos/engine/engine_machine.h"
#include "dos/engine/exchange_line.h"
#include "wire/wire_format.h"

// What either transfer works with; the exchange is filled in as it goes.
class Transfer {
  public:
    Transfer(ExchangeLine& line, EngineMachine& machine, const DosCommand& command,
             Exchange* exchange)
        : line_(line),
          machine_(machine),
          verify_((command.flags & COMMAND_VERIFY) != 0),
          exchange_(exchange) {}

  protected:
    ~Transfer() = default;

    ExchangeLine& line_;
    EngineMachine& machine_;
    const bool verify_;
    Exchange* const exchange_;
};
