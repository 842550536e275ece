// Standard input of the batch front end, line by line: LF or CR LF ends a line, and a last
// line without an end counts as well. Each byte is looked at once, and a line longer than
// BATCH_LINE_LIMIT is skipped rather than held, so no input can make the reading slow or big.
#pragma once
#include <cstddef>
#include <string>

constexpr size_t BATCH_LINE_LIMIT = 64 * 1024;

enum class InputResult {
    Line,         // one line, without its line end
    TooLong,      // a line longer than BATCH_LINE_LIMIT, skipped to its end
    End,          // no more input
    Interrupted,  // a Ctrl+C came while waiting for input
    Failed,       // reading failed; `problem` says why
};

class BatchInput {
  public:
    explicit BatchInput(int fd) : fd_(fd) {}
    // `stillWaiting` is asked after an interrupted read: false ends the wait as Interrupted.
    InputResult next(std::string* line, bool (*stillWaiting)(), std::string* problem);

  private:
    // The next line from what is buffered, if a whole one (or the last one) is there.
    bool takeLine(std::string* line, bool* tooLong);

    int fd_;
    std::string buffered_;
    size_t scanned_ = 0;     // bytes of buffered_ known to hold no LF
    bool overlong_ = false;  // the line being read passed the limit; its bytes are dropped
    bool ended_ = false;
};
