// One block of a "#PUT" through its exchange: sent, answered, with verification checked
// against its echo, and sent again after a rejection.
#include "link/put_block.h"

#include <optional>

#include "console/link_context.h"
#include "files/reporter.h"
#include "link/failure_words.h"
#include "link/transfer_io.h"
#include "link/transfer_messages.h"
#include "wire/wire_format.h"

namespace {

struct PutExchange {
    LinkContext* ctx;
    const uint8_t* block;
    int lastResult;  // of the last port call, or the letter after ESC, for the report
};

// The other side's word on a block: nothing for a rejection (send it again), else the result.
using Answer = std::optional<int>;

// ESC and a letter: 'E' is the other side giving up; anything else breaks the protocol.
int escapeAnswer(PutExchange* exchange) {
    uint8_t* letter = exchange->ctx->workBuffer + 1;
    exchange->lastResult = k_link_receive(exchange->ctx, letter, 1);
    if (exchange->lastResult != 0) return PUT_BLOCK_ESCAPE_LETTER_LOST;
    if (*letter == 'E') {
        exchange->ctx->failureWords = PUT_ENDED_BY_DOS_WORDS;
        return PUT_BLOCK_ENDED;
    }
    exchange->lastResult = *letter;
    return PUT_BLOCK_ESCAPE_UNEXPECTED;
}

// The echo of the block, compared byte for byte (the length included), and its verdict.
Answer echoAnswer(PutExchange* exchange) {
    LinkLine line{exchange->ctx, 0};
    const EchoResult result = k_check_echo(line, exchange->block, exchange->ctx->workBuffer);
    exchange->lastResult = line.lastResult;
    switch (result) {
        case EchoResult::Delivered:
            return PUT_BLOCK_DELIVERED;
        case EchoResult::Rejected:
            return std::nullopt;
        case EchoResult::Aborted:
            return PUT_BLOCK_ENDED;
        case EchoResult::HeadLost:
            return PUT_BLOCK_ECHO_HEAD_LOST;
        case EchoResult::TooLong:
            return PUT_BLOCK_ECHO_TOO_LONG;
        case EchoResult::BodyLost:
            return PUT_BLOCK_ECHO_BODY_LOST;
        case EchoResult::VerdictNotSent:
            return PUT_BLOCK_VERDICT_NOT_SENT;
        case EchoResult::WordLost:
            return PUT_BLOCK_FINAL_WORD_LOST;
    }
    return PUT_BLOCK_FINAL_WORD_LOST;
}

Answer answer(PutExchange* exchange) {
    LinkContext* ctx = exchange->ctx;
    uint8_t* first = ctx->workBuffer;
    exchange->lastResult = k_link_receive(ctx, first, 1);
    if (exchange->lastResult != 0) return PUT_BLOCK_ANSWER_LOST;
    if (first[0] == ESC) return escapeAnswer(exchange);
    if (first[0] == ACK) return PUT_BLOCK_DELIVERED;
    if (ctx->verifyTransfer != 0 && first[0] == STX) return echoAnswer(exchange);
    return std::nullopt;
}

int deliver(PutExchange* exchange, DeviceContext* dc) {
    LinkContext* ctx = exchange->ctx;
    const int size = int(k_block_size(exchange->block));
    for (int retry = 1;; ++retry) {
        exchange->lastResult = k_link_send(ctx, exchange->block, size);
        if (exchange->lastResult != 0) return PUT_BLOCK_NOT_SENT;
        if (const Answer result = answer(exchange)) return *result;
        k_data_error_show(ctx, dc, int32_t(k_block_number(exchange->block)), retry);
        if (retry > BLOCK_REPEATS_MAX) {
            exchange->lastResult = k_link_send_end(ctx);
            return PUT_BLOCK_ENDED;
        }
    }
}

}  // namespace

int a_send98_put(LinkContext* ctx, DeviceContext* dc, uint8_t* block) {
    PutExchange exchange{ctx, block, 0};
    const int result = deliver(&exchange, dc);
    if (result != PUT_BLOCK_DELIVERED) {
        k_fatal_error(2, "a_send98_put", result, exchange.lastResult, 0);
    }
    return result;
}
