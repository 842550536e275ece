// The CommandFrame on the line: written in runs, with a wait for the MS-DOS side's ACK at each
// marker.
#include "link/command_send.h"

#include "console/link_context.h"
#include "files/reporter.h"
#include "link/failure_words.h"
#include "link/transfer_io.h"
#include "wire/wire_format.h"

namespace {

int reportSend(int code, int first, int second) {
    k_fatal_error(2, "a_CommandSend", code, first, second);
    return code;
}

// 0xFF waits for an ACK only where the frame puts its markers; anywhere else it is data.
bool isAckWait(const uint8_t* bytes, int count, int offset) {
    return bytes[offset] == ACK_WAIT && (offset == 2 || offset == count - 1);
}

int openIfClosed(LinkContext* ctx) {
    if (ctx->portOpen) return 0;
    int result = k_link_open(ctx);
    if (result != 0) return reportSend(COMMAND_SEND_OPEN_FAILED, result, 0);
    ctx->portOpen = 1;
    return 0;
}

// One byte from the MS-DOS side; 0 for a byte that did not come (the receive's code is lost).
int awaitAck(LinkContext* ctx, int offset) {
    uint8_t answer = 0;
    int result = k_link_receive(ctx, &answer, 1);
    if (result != 0) return reportSend(COMMAND_SEND_NO_ACK, result, offset);
    if (answer == ACK) return 0;
    if (answer == ESC) {
        // The error answer carries the MS-DOS side's own code in the next byte.
        uint8_t errorCode = 0;
        if (k_link_receive(ctx, &errorCode, 1) != 0) errorCode = 0;
        ctx->failureWords = k_refusal_words(errorCode);
        return reportSend(COMMAND_SEND_REFUSED, errorCode, 0);
    }
    return reportSend(COMMAND_SEND_REFUSED, answer >= 0x80 ? 0xFF00 : 0, 0);
}

}  // namespace

int a_CommandSend(LinkContext* ctx, int count, const uint8_t* bytes) {
    int result = openIfClosed(ctx);
    if (result != 0) return result;
    int offset = 0;
    while (offset < count) {
        if (isAckWait(bytes, count, offset)) {
            result = awaitAck(ctx, offset);
            if (result != 0) return result;
            ++offset;
            continue;
        }
        int end = offset + 1;
        while (end < count && !isAckWait(bytes, count, end)) ++end;
        result = k_link_send(ctx, bytes + offset, end - offset);
        if (result != 0) return reportSend(COMMAND_SEND_WRITE_FAILED, result, end - 1);
        offset = end;
    }
    return 0;
}
