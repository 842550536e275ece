// One row of the 24-line console and one remembered command line.
#pragma once
#include <cstdint>

enum : int32_t {
    LINE_EMPTY = 0,    // nothing to show
    LINE_OUTPUT = 1,   // answer text, messages, transfer lines
    LINE_COMMAND = 2,  // a prompt followed by an entered command line
    LINE_PROMPT = 3,   // the prompt that waits for input
};

constexpr int CONSOLE_LINES = 24;      // rows below the caption row
constexpr int CONSOLE_LINE_MAX = 80;   // characters kept of an output line
constexpr int CONSOLE_ROW_WIDTH = 84;  // characters painted per row
constexpr int INPUT_LIMIT = 511;       // characters the input line accepts
constexpr int HISTORY_ENTRIES = 24;

struct ConsoleLine {
    int32_t state;
    int32_t length;  // 0 to 80
    char text[82];   // NUL-terminated after length
};

struct HistoryEntry {
    int32_t used;
    char text[512];
};
