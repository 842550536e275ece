// One block of a "#PUT" through its exchange: sent, answered, with verification checked
// against its echo, and sent again after a rejection.
#include <cstring>
#include <optional>

#include "core/link_context.h"
#include "files/reporter.h"
#include "link/link.h"
#include "link/transfer_io.h"
#include "link/transfer_lines.h"
#include "link/wire_format.h"

namespace {

constexpr int RETRY_LIMIT = 5;  // repeats of one block before giving up

struct PutExchange {
    LinkContext* ctx;
    const uint8_t* block;
    int lastResult;  // of the last port call, or the letter after ESC, for the report
};

// The other side's word on a block: nothing for a rejection (send it again), else the result.
using Answer = std::optional<int>;

// ESC and a letter: 'E' is the other side giving up; anything else breaks the protocol.
int escapeAnswer(PutExchange* x) {
    uint8_t* letter = x->ctx->workBuffer + 1;
    x->lastResult = k_link_receive(x->ctx, letter, 1);
    if (x->lastResult != 0) return 21;
    if (*letter == 'E') return -2;
    x->lastResult = *letter;
    return 22;
}

// The echo of the block, compared byte for byte (the length included), and its verdict.
Answer echoAnswer(PutExchange* x) {
    LinkContext* ctx = x->ctx;
    uint8_t* echo = ctx->workBuffer;
    x->lastResult = k_link_receive(ctx, echo + 1, 3);
    if (x->lastResult != 0) return 32;
    const int length = k_block_length(echo);
    if (length > BLOCK_LENGTH_MAX) return 36;
    uint8_t verdict = NAK;
    if (length >= BLOCK_LENGTH_MIN) {
        x->lastResult = k_link_receive(ctx, echo + 4, length);
        if (x->lastResult != 0) return 38;
        const bool same = length == k_block_length(x->block) &&
                          std::memcmp(echo, x->block, size_t(length) + 4) == 0;
        if (same) verdict = ACK;
    }
    x->lastResult = k_link_send_byte(ctx, verdict);
    if (x->lastResult != 0) return 40;
    uint8_t* word = ctx->workBuffer;
    x->lastResult = k_link_receive(ctx, word, 1);
    if (x->lastResult != 0) return 42;
    if (word[0] == ACK) return 0;
    if (word[0] == ESC) {
        k_link_receive(ctx, word + 1, 1);
        return -2;
    }
    return std::nullopt;
}

Answer answer(PutExchange* x) {
    LinkContext* ctx = x->ctx;
    uint8_t* first = ctx->workBuffer;
    x->lastResult = k_link_receive(ctx, first, 1);
    if (x->lastResult != 0) return 20;
    if (first[0] == ESC) return escapeAnswer(x);
    if (first[0] == ACK) return 0;
    if (ctx->verifyTransfer != 0 && first[0] == STX) return echoAnswer(x);
    return std::nullopt;
}

int deliver(PutExchange* x, DeviceContext* dc) {
    LinkContext* ctx = x->ctx;
    const int size = k_block_length(x->block) + 4;
    for (int retry = 1;; ++retry) {
        x->lastResult = k_link_send(ctx, x->block, size);
        if (x->lastResult != 0) return 10;
        if (const Answer result = answer(x)) return *result;
        k_data_error_show(ctx, dc, int32_t(k_get32(x->block + 4)), retry);
        if (retry > RETRY_LIMIT) {
            x->lastResult = k_link_send_end(ctx);
            return -2;
        }
    }
}

}  // namespace

int a_send98_put(LinkContext* ctx, DeviceContext* dc, uint8_t* block) {
    PutExchange exchange{ctx, block, 0};
    const int result = deliver(&exchange, dc);
    if (result != 0 && result != -1) {
        k_fatal_error(2, "a_send98_put", result, exchange.lastResult, 0);
    }
    return result;
}
