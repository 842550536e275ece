// One block of a "#PUT" through its exchange: sent, answered, with verification checked
// against its echo, and sent again after a rejection.
#pragma once
#include <cstdint>

struct LinkContext;
class DeviceContext;

// PUT_BLOCK_DELIVERED, PUT_BLOCK_ENDED, or one of the failure codes below, reported through
// k_fatal_error with the port's result (or the letter after ESC) beside it.
int a_send98_put(LinkContext* ctx, DeviceContext* dc, uint8_t* block);

constexpr int PUT_BLOCK_DELIVERED = 0;
// The MS-DOS side gave up (ESC 'E'), or the block was rejected once more than
// BLOCK_REPEATS_MAX allows and this side ended the transfer.
constexpr int PUT_BLOCK_ENDED = -2;

constexpr int PUT_BLOCK_NOT_SENT = 10;
constexpr int PUT_BLOCK_ANSWER_LOST = 20;         // no answer within the time-out
constexpr int PUT_BLOCK_ESCAPE_LETTER_LOST = 21;  // the letter after an ESC did not arrive
constexpr int PUT_BLOCK_ESCAPE_UNEXPECTED = 22;   // ESC and a letter but 'E'
constexpr int PUT_BLOCK_ECHO_HEAD_LOST = 32;      // the echo's type and length did not arrive
constexpr int PUT_BLOCK_ECHO_TOO_LONG = 36;       // an echo length above BLOCK_LENGTH_MAX
constexpr int PUT_BLOCK_ECHO_BODY_LOST = 38;      // the rest of the echo did not arrive
constexpr int PUT_BLOCK_VERDICT_NOT_SENT = 40;    // the verdict on the echo
constexpr int PUT_BLOCK_FINAL_WORD_LOST = 42;     // no final word within the time-out
