// The two file transfers as the MS-DOS side runs them, each after its CommandFrame has been
// received and before it has been answered: they accept it themselves, or refuse it with the
// machine's error code for the name.
#pragma once
#include "dos/engine/command_frame.h"
#include "dos/engine/engine_machine.h"
#include "dos/engine/exchange_line.h"
#include "wire/wire_format.h"

// GET: ESC 'R', then per file a header block and data blocks numbered from 1, the last of type
// BLOCK_LAST (empty when the size is a multiple of the block size), then ESC 'E'.
void dos_serve_get(ExchangeLine& line, EngineMachine& machine, const DosCommand& command,
                   Exchange* exchange);
// PUT: header and data blocks from the Windows side until its ESC 'E', each checked, echoed
// when the frame asks for verification, and stored only once it is accepted.
void dos_serve_put(ExchangeLine& line, EngineMachine& machine, const DosCommand& command,
                   Exchange* exchange);

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
