// "#GET": files from the MS-DOS side, one event of the transfer per tick.
#pragma once

struct LinkContext;
class DeviceContext;

// The step of a "#GET" (link/step_result.h). A failure returns one of these codes, reported
// through k_fatal_error with the port's or the file layer's result beside it.
int a_GetResponseFrom98(LinkContext* ctx, DeviceContext* dc);

constexpr int GET_NO_EVENT = 10;  // nothing arrived within the time-out, or the port failed
constexpr int GET_ESCAPE_LETTER_LOST = 20;  // the letter after an ESC did not arrive
constexpr int GET_START_ACK_NOT_SENT = 30;  // the ACK to ESC 'R'
constexpr int GET_ESCAPE_UNEXPECTED = 31;   // ESC and a letter but 'E', or a second ESC 'R'
constexpr int GET_BLOCK_HEAD_LOST = 32;     // a block's type and length did not arrive
constexpr int GET_BLOCK_TOO_LONG = 36;      // a length above BLOCK_LENGTH_MAX
constexpr int GET_BLOCK_BODY_FAILED = 38;   // the port failed (not timed out) within a block
constexpr int GET_ECHO_NOT_SENT = 39;       // the echo of a block under verification
constexpr int GET_VERDICT_LOST = 40;        // no verdict on the echo within the time-out
constexpr int GET_NAK_NOT_SENT = 41;
constexpr int GET_FILE_NOT_CREATED = 42;
// No file was open for a data block, or writing it or putting the file in place failed.
constexpr int GET_FILE_NOT_WRITTEN = 43;
constexpr int GET_ACK_NOT_SENT = 44;
// A file ended before its announced size was on disk, or with more: the command failed.
constexpr int GET_FILE_INCOMPLETE = 45;
// Files were refused by name; the others were copied, but the command failed.
constexpr int GET_FILES_REFUSED = 46;
// A data block that is neither the next one nor a repeat of the last: it has no place.
constexpr int GET_BLOCK_OUT_OF_PLACE = 47;
// A data block that would carry the file past the size its header announced.
constexpr int GET_BLOCK_PAST_SIZE = 48;
