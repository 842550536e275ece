// The answer to a plain command: text records shown line by line, the new prompt, the end.
#pragma once

struct LinkContext;
class DeviceContext;

// The step of a plain command (link/step_result.h). A failure returns one of these codes,
// reported through k_fatal_error with the length of the prompt taken so far beside it.
int a_ResponseFrom98(LinkContext* ctx, DeviceContext* dc);

constexpr int RESPONSE_NO_EVENT = 10;             // nothing arrived within the time-out
constexpr int RESPONSE_ESCAPE_LETTER_LOST = 20;   // the letter after an ESC did not arrive
constexpr int RESPONSE_RECORD_ACK_NOT_SENT = 30;  // the ACK to ESC 'R'
constexpr int RESPONSE_RECORD_LOST = 31;          // no record after ESC 'R'
constexpr int RESPONSE_RECORD_ESCAPED = 32;       // an ESC pair where the record belongs
constexpr int RESPONSE_RECORD_HEAD_LOST = 33;     // the record's flags and length
constexpr int RESPONSE_RECORD_UNFRAMED = 34;      // a record that starts with neither STX nor ESC
constexpr int RESPONSE_RECORD_TOO_LONG = 36;      // a length above TEXT_RECORD_MAX
constexpr int RESPONSE_TEXT_LOST = 38;            // the record's text did not arrive
constexpr int RESPONSE_ANSWER_NOT_SENT = 40;      // the ACK or NAK to a record
