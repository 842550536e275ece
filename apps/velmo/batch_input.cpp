#include "batch_input.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

InputResult BatchInput::next(std::string* line, bool (*stillWaiting)(), std::string* problem) {
    for (;;) {
        size_t end = buffered_.find('\n');
        if (end != std::string::npos || (ended_ && !buffered_.empty())) {
            size_t taken = end == std::string::npos ? buffered_.size() : end + 1;
            line->assign(buffered_, 0, end == std::string::npos ? buffered_.size() : end);
            if (!line->empty() && line->back() == '\r') line->pop_back();
            buffered_.erase(0, taken);
            return InputResult::Line;
        }
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
