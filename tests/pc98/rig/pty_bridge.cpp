#include "pty_bridge.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

// Bytes taken from velmo ahead of the line: enough to keep it busy, few enough that velmo's
// writes still wait on the pseudo-terminal as they would on a slow port.
constexpr size_t READ_AHEAD = 16;

}  // namespace

PtyBridge::PtyBridge() {
    fcntl(pty_.master(), F_SETFL, fcntl(pty_.master(), F_GETFL) | O_NONBLOCK);
}

void PtyBridge::pump(Pc98Serial& serial) {
    unsent_ += serial.outgoing;
    serial.outgoing.clear();
    if (!unsent_.empty()) {
        const ssize_t written = write(pty_.master(), unsent_.data(), unsent_.size());
        if (written > 0) unsent_.erase(0, size_t(written));
    }
    if (serial.incoming.size() < READ_AHEAD) {
        unsigned char bytes[READ_AHEAD];
        const ssize_t got = read(pty_.master(), bytes, sizeof bytes);
        if (got > 0) serial.incoming.insert(serial.incoming.end(), bytes, bytes + got);
    }
}
