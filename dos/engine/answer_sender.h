// The answer to a plain command: each line as ESC 'R' + TextRecord, the new prompt as a record
// with the prompt flag, then ESC 'E'. Every ESC 'R' and every record waits for velmo's
// ACK; a NAK after a record means its user cancelled, and the answer ends at once.
#pragma once
#include <cstdint>

#include "dos/engine/engine_machine.h"
#include "dos/engine/exchange_line.h"

class AnswerSender final : public CommandOutput {
  public:
    explicit AnswerSender(ExchangeLine& line) : line_(line) {}

    // A line longer than a record is wrapped; an empty one is sent as one space, since an empty
    // record adds no console line and a blank line of a listing should stay visible.
    bool line(const char* text, uint32_t length) override;
    // The prompt (shortened from the front to fit a record) and ESC 'E'; after a cancel only
    // ESC 'E'. Says how the answer ended.
    ExchangeEnd finish(const char* prompt, uint32_t length);

  private:
    enum class State { Sending, Cancelled, Failed };
    void sendRecord(bool prompt, const char* text, uint32_t length);

    ExchangeLine& line_;
    State state_ = State::Sending;
};
