#include "link/line_drain.h"

#include <cstdint>

#include "console/link_context.h"
#include "serial/port.h"

namespace {

constexpr int QUIET_TIMEOUT = 2;            // in the port's units of 100 ms
constexpr int DRAIN_BYTES_MAX = 16 * 1024;  // a far end that never stops is not waited out

}  // namespace

void k_link_drain_after_cut(LinkContext* ctx) {
    if (ctx->ioOverlapped.cutWait == 0) return;
    ctx->ioOverlapped.cutWait = 0;
    // Byte by byte, with a time-out of its own: a one-byte receive ends quietly
    // (PORT_NOTHING_RECEIVED) on silence, without a report.
    uint8_t discard = 0;
    int received = 0;
    for (int i = 0; i < DRAIN_BYTES_MAX; ++i) {
        if (k_rs232c_receive2(QUIET_TIMEOUT, ctx->portHandle, &ctx->ioOverlapped, &discard, 1,
                              &received) != 0)
            break;
    }
}
