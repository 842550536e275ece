#include "batch_input.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

bool BatchInput::takeLine(std::string* line, bool* tooLong) {
    const size_t end = buffered_.find('\n', scanned_);
    const bool lastLine = ended_ && (!buffered_.empty() || overlong_);
    if (end == std::string::npos && !lastLine) {
        scanned_ = buffered_.size();
        if (scanned_ > BATCH_LINE_LIMIT + 1) {  // + 1 for a CR still waiting for its LF
            overlong_ = true;
            buffered_.clear();
            scanned_ = 0;
        }
        return false;
    }
    const size_t taken = end == std::string::npos ? buffered_.size() : end + 1;
    size_t length = end == std::string::npos ? buffered_.size() : end;
    if (length > 0 && buffered_[length - 1] == '\r') --length;
    *tooLong = overlong_ || length > BATCH_LINE_LIMIT;
    line->assign(buffered_, 0, *tooLong ? 0 : length);
    buffered_.erase(0, taken);
    scanned_ = 0;
    overlong_ = false;
    return true;
}

InputResult BatchInput::next(std::string* line, bool (*stillWaiting)(), std::string* problem) {
    for (;;) {
        bool tooLong = false;
        if (takeLine(line, &tooLong)) return tooLong ? InputResult::TooLong : InputResult::Line;
        if (ended_) return InputResult::End;

        char chunk[4096];
        ssize_t got = read(fd_, chunk, sizeof chunk);
        if (got > 0) {
            buffered_.append(chunk, static_cast<size_t>(got));
        } else if (got == 0) {
            ended_ = true;
        } else if (errno != EINTR) {
            *problem = std::strerror(errno);
            return InputResult::Failed;
        } else if (!stillWaiting()) {
            return InputResult::Interrupted;
        }
    }
}
