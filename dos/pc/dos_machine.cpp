#include "dos_machine.h"

#include "command_runner.h"
#include "dos_screen.h"

namespace {

// Counts the output lines on their way to the host, for the screen.
class CountingOutput final : public CommandOutput {
  public:
    CountingOutput(CommandOutput& out, uint32_t* lines) : out_(out), lines_(lines) {}
    bool line(const char* text, uint32_t length) override {
        ++*lines_;
        return out_.line(text, length);
    }

  private:
    CommandOutput& out_;
    uint32_t* lines_;
};

}  // namespace

void DosMachine::runCommand(const char* text, uint32_t length, CommandOutput& out) {
    CountingOutput counting(out, &outputLines_);
    run_command_line(text, length, counting, &problem_);
}

uint32_t DosMachine::prompt(char* out, uint32_t capacity) {
    char path[DOS_PATH_MAX];
    dos_current_path(path);
    // "C:\WORK\" becomes "C:\WORK>", the root "C:\" stays "C:\>", as $P$G shows them.
    uint32_t length = dos_length(path);
    if (length > 3) --length;
    uint32_t n = 0;
    for (; n < length && n + 1 < capacity; ++n) out[n] = path[n];
    if (n < capacity) out[n++] = '>';
    return n;
}

void DosMachine::clearScreen() {
    screen_clear(kind_);
}

void DosMachine::exchangeStarts(const Exchange& exchange) {
    started_ = true;
    screen_exchange_starts(exchange);
}

void DosMachine::exchangeEnds(const Exchange& exchange) {
    // A refused frame ends without having started.
    if (!started_) screen_exchange_starts(exchange);
    screen_exchange_ends(exchange, outputLines_, problem_);
    started_ = false;
    outputLines_ = 0;
    problem_ = TextBuffer();
}

bool DosMachine::fail(const char* what, const char* path, uint16_t error) {
    problem_ = TextBuffer();
    problem_.add(what).add(" ").add(path);
    if (error) problem_.add(": ").add(dos_error_text(error));
    return false;
}
