#include "dos/sim/dos_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace {

std::atomic<bool> stopRequested{false};

constexpr int WAIT_SLICE_MS = 100;   // how often a wait looks at the stop request
constexpr int NOBODY_RETRY_MS = 50;  // pause while nobody holds the other end
constexpr int IDLE_SLICE_MS = 200;   // a wait between exchanges, repeated forever

int elapsedMs(int64_t since) {
    return int((monotonic_ns() - since) / 1'000'000);
}

size_t queuedBytes(int fd) {
    int queued = 0;
    if (ioctl(fd, FIONREAD, &queued) != 0 || queued < 0) return 0;
    return size_t(queued);
}

}  // namespace

bool dos_stop_requested() {
    return stopRequested.load();
}
void dos_request_stop() {
    stopRequested.store(true);
}

DosLine::DosLine(int fd, uint32_t lineRate, int timeoutMs)
    : fd_(fd), timeoutMs_(timeoutMs), sendPacer_(lineRate), receivePacer_(lineRate) {
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

DosLine::Wait DosLine::waitFor(short events, int timeoutMs) {
    const int64_t start = monotonic_ns();
    for (;;) {
        if (dos_stop_requested()) return Wait::Stopped;
        const int left = timeoutMs - elapsedMs(start);
        if (left <= 0) return Wait::Timeout;
        pollfd p{fd_, events, 0};
        const int rc = poll(&p, 1, std::min(left, WAIT_SLICE_MS));
        if (rc < 0 && errno != EINTR) return Wait::Gone;
        if (rc <= 0) continue;
        if (p.revents & events) return Wait::Ready;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return Wait::Gone;
    }
}

LineRead DosLine::read(uint8_t* buffer, uint32_t count, uint32_t idleMs) {
    return readFor(buffer, count, int(idleMs));
}

LineRead DosLine::readFor(uint8_t* out, size_t count, int timeoutMs) {
    size_t got = 0;
    int64_t lastByte = monotonic_ns();
    // Bytes queued while this side was busy sending did not cross the line in that time: each
    // read starts a run of its own, so an echo is never taken faster than the line carries it.
    receiveRun_ = false;
    while (got < count) {
        // A run of bytes on the line lasts while bytes are waiting; after a pause the next
        // byte starts a new one and earns no credit for the idle time.
        if (receiveRun_ && queuedBytes(fd_) == 0) receiveRun_ = false;
        if (!receiveRun_ || !receivePacer_.limited()) {
            switch (waitFor(POLLIN, timeoutMs - elapsedMs(lastByte))) {
                case Wait::Ready:
                    break;
                case Wait::Timeout:
                    return LineRead::Timeout;
                case Wait::Gone:
                    return LineRead::Gone;
                case Wait::Stopped:
                    return LineRead::Stopped;
            }
            if (receivePacer_.limited()) {
                receivePacer_.startRun();
                receiveRun_ = true;
            }
        }
        size_t want = count - got;
        if (receivePacer_.limited()) {
            const size_t due = receivePacer_.due();
            if (due == 0) {
                const size_t waiting = std::max<size_t>(queuedBytes(fd_), 1);
                receivePacer_.waitFor(std::min({receivePacer_.chunk(), want, waiting}));
                continue;
            }
            want = std::min(want, due);
        }
        const ssize_t n = ::read(fd_, out + got, want);
        if (n > 0) {
            got += size_t(n);
            if (receivePacer_.limited()) receivePacer_.take(size_t(n));
            lastByte = monotonic_ns();
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            receiveRun_ = false;
        } else {
            receiveRun_ = false;    // whatever the line held went with the other end
            return LineRead::Gone;  // EIO: the other end was closed
        }
    }
    return LineRead::Ok;
}

LineRead DosLine::awaitByte(uint8_t* byte) {
    for (;;) {
        // A paced run that ended with the other end skips readFor's own wait: look here too.
        if (dos_stop_requested()) return LineRead::Stopped;
        switch (readFor(byte, 1, IDLE_SLICE_MS)) {
            case LineRead::Ok:
                return LineRead::Ok;
            case LineRead::Stopped:
                return LineRead::Stopped;
            case LineRead::Timeout:
                break;
            case LineRead::Gone: {
                // Nobody holds the pseudo-terminal's other end: look again a little later.
                timespec pause{0, NOBODY_RETRY_MS * 1'000'000L};
                nanosleep(&pause, nullptr);
                break;
            }
        }
    }
}

size_t DosLine::writeSome(const uint8_t* bytes, size_t count) {
    size_t put = 0;
    while (put < count) {
        const ssize_t n = ::write(fd_, bytes + put, count - put);
        if (n > 0) {
            put += size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (waitFor(POLLOUT, timeoutMs_) != Wait::Ready) break;
        } else {
            break;
        }
    }
    return put;
}

bool DosLine::write(const uint8_t* in, uint32_t count) {
    if (budgeted_) {
        // Past the budget the machine has "fallen silent": bytes vanish, the caller carries on.
        const size_t allowed = size_t(std::min<uint64_t>(budget_, count));
        budget_ -= allowed;
        count = allowed;
    }
    if (!sendPacer_.limited()) return writeSome(in, count) == count;
    sendPacer_.startRun();
    size_t sent = 0;
    while (sent < count) {
        if (dos_stop_requested()) return false;
        const size_t due = sendPacer_.due();
        if (due == 0) {
            sendPacer_.waitFor(std::min(sendPacer_.chunk(), count - sent));
            continue;
        }
        const size_t piece = std::min(due, count - sent);
        const size_t put = writeSome(in + sent, piece);
        sendPacer_.take(put);
        sent += put;
        if (put < piece) return false;
    }
    return true;
}

void DosLine::setSendBudget(uint64_t bytes) {
    budgeted_ = true;
    budget_ = bytes;
}
