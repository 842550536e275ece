// Standard input of the batch front end, line by line: LF or CR LF ends a line, and a last
// line without an end counts as well.
#pragma once
#include <string>

enum class InputResult {
    Line,         // one line, without its line end
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
    int fd_;
    std::string buffered_;
    bool ended_ = false;
};
