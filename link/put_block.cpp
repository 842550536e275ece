// One block of a "#PUT" through its exchange: sent, answered, with verification checked
// against its echo, and sent again after a rejection.
#include <optional>

#include "console/link_context.h"
#include "files/reporter.h"
#include "link/failure_words.h"
#include "link/link.h"
#include "link/transfer_io.h"
#include "link/transfer_lines.h"
#include "wire/wire_format.h"

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
    if (*letter == 'E') {
        x->ctx->failureWords = PUT_ENDED_BY_DOS_WORDS;
        return -2;
    }
    x->lastResult = *letter;
    return 22;
}

// The echo of the block, compared byte for byte (the length included), and its verdict.
Answer echoAnswer(PutExchange* x) {
    LinkLine line{x->ctx, 0};
    const EchoResult result = k_check_echo(line, x->block, x->ctx->workBuffer);
    x->lastResult = line.lastResult;
    switch (result) {
        case EchoResult::Delivered:
            return 0;
        case EchoResult::Rejected:
            return std::nullopt;
        case EchoResult::Aborted:
            return -2;
        case EchoResult::HeadLost:
            return 32;
        case EchoResult::TooLong:
            return 36;
        case EchoResult::BodyLost:
            return 38;
        case EchoResult::VerdictNotSent:
            return 40;
        case EchoResult::WordLost:
            return 42;
    }
    return 42;
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
    const int size = int(k_block_size(x->block));
    for (int retry = 1;; ++retry) {
        x->lastResult = k_link_send(ctx, x->block, size);
        if (x->lastResult != 0) return 10;
        if (const Answer result = answer(x)) return *result;
        k_data_error_show(ctx, dc, int32_t(k_block_number(x->block)), retry);
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
