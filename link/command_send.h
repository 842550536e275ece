// The CommandFrame on the line: written in runs, with a wait for the MS-DOS side's ACK at each
// marker.
#pragma once
#include <cstdint>

struct LinkContext;

// Sends a run in which 0xFF at offset 2 and at the last offset means "wait for ACK here".
// 0, or one of these codes, reported through k_fatal_error.
int a_CommandSend(LinkContext* ctx, int count, const uint8_t* bytes);

constexpr int COMMAND_SEND_OPEN_FAILED = 10;
constexpr int COMMAND_SEND_WRITE_FAILED = 20;
constexpr int COMMAND_SEND_NO_ACK = 30;  // nothing arrived where an ACK belongs
// An error answer (ESC and the MS-DOS side's code, in LinkContext.failureWords), or a byte
// that is neither ACK nor ESC.
constexpr int COMMAND_SEND_REFUSED = 40;
