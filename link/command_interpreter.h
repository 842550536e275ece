// From the typed line to one CommandFrame: plain MS-DOS command, screen clear, "#GET", "#PUT".
#pragma once

struct LinkContext;
class DeviceContext;

// The first step of a command (link/step_result.h): STEP_MORE sent, STEP_ENDED_EARLY usage
// text shown; otherwise one of these codes * 65536 + the low 16 bits of the value reported
// beside it (a_CommandSend's result for COMMAND_NOT_SENT).
int a_CommandTo98(LinkContext* ctx, DeviceContext* dc);

constexpr int COMMAND_NO_LINE = 101;  // no console line, or a count beyond the console
// The newest line is not a command line, or its length is out of range.
constexpr int COMMAND_LINE_NOT_TYPED = 103;
constexpr int COMMAND_EMPTY = 105;          // nothing after the prompt
constexpr int COMMAND_GET_NO_NAME = 120;    // "#GET" without an MS-DOS name
constexpr int COMMAND_PUT_NO_NAME = 130;    // "#PUT" without a local name
constexpr int COMMAND_PUT_DIRECTORY = 132;  // "#PUT" of a local name that ends in "/"
constexpr int COMMAND_NOT_SENT = 256;
