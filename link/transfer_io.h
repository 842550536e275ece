// The link's port: opened and closed with the link context's settings, and the transfers'
// reads and writes on it with its time-out.
#pragma once
#include <cstddef>
#include <cstdint>

#include "console/link_context.h"
#include "serial/port.h"
#include "wire/wire_format.h"

// Opens the port of the link context with its settings; 0 or the port's code.
inline int k_link_open(LinkContext* ctx) {
    return k_port_open(ctx->comPort, ctx->baudRate, ctx->stopBits, &ctx->portHandle,
                       &ctx->ioOverlapped);
}

inline int k_link_close(LinkContext* ctx) {
    ctx->portOpen = 0;
    return k_port_close(&ctx->portHandle, &ctx->ioOverlapped);
}

// 0 when all `count` bytes arrived; PORT_NOTHING_RECEIVED nothing within the time-out,
// PORT_PART_RECEIVED only part, else a port failure.
inline int k_link_receive(LinkContext* ctx, void* buffer, int count, int* received) {
    return k_rs232c_receive2(ctx->timeoutSetting, ctx->portHandle, &ctx->ioOverlapped, buffer,
                             count, received);
}

inline int k_link_receive(LinkContext* ctx, void* buffer, int count) {
    int received = 0;
    return k_link_receive(ctx, buffer, count, &received);
}

inline int k_link_send(LinkContext* ctx, const void* bytes, int count) {
    return k_rs232c_send(ctx->portHandle, &ctx->ioOverlapped, bytes, count);
}

// One control byte (ACK or NAK), sent from LinkContext.workBuffer.
inline int k_link_send_byte(LinkContext* ctx, uint8_t byte) {
    ctx->workBuffer[0] = byte;
    return k_link_send(ctx, ctx->workBuffer, 1);
}

// ESC 'E': the end of the transfer, or giving up.
inline int k_link_send_end(LinkContext* ctx) {
    ctx->workBuffer[0] = ESC;
    ctx->workBuffer[1] = 'E';
    return k_link_send(ctx, ctx->workBuffer, 2);
}

// The link context's port as the line of the verification exchange (wire/wire_format.h);
// lastResult keeps the port's result of the last call for the failure report.
struct LinkLine {
    static constexpr bool LONG_ECHO_ENDS = true;  // no telling where it ends: give up
    LinkContext* ctx;
    int lastResult;

    bool receive(uint8_t* bytes, size_t count) {
        lastResult = k_link_receive(ctx, bytes, int(count));
        return lastResult == 0;
    }
    bool receiveLetter(uint8_t* letter) { return receive(letter, 1); }
    bool send(const uint8_t* bytes, size_t count) {
        lastResult = k_link_send(ctx, bytes, int(count));
        return lastResult == 0;
    }
    void skipUnframed() {}  // an echo shorter than 8 is answered NAK at once
};
