// The messages both transfers show: a start line on the console when a file begins, the progress
// line in the status bar after every block, the end line when the file is complete, and the
// data-error line for a rejected block. The text builders are plain functions; the *_show
// functions put their result where the user sees it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/clock.h"

struct LinkContext;
class DeviceContext;

enum class TransferDirection { FromDos, ToDos };

constexpr int TRANSFER_LINE_WIDTH = 80;  // a longer start line gets its local path shortened
constexpr int TRANSFER_TIME_SIZE = DATETIME_TEXT_SIZE;

// "*[local] <-- MS-DOS[dos size] time" (FromDos) or "*[local size] --> MS-DOS time" (ToDos).
// Over 80 characters, a local path with two or more "/" is shown as its first directory,
// "..." and its last component. Returns the length of the line.
int k_start_line(char* out, size_t outSize, TransferDirection direction, const char* localName,
                 const char* dosName, uint32_t size, const char* timeText);
// The end line: the start line with " --END-" in front, dashes up to the start time, and
// `timeText` in its place.
void k_end_line(char* out, size_t outSize, const char* startLine, const char* timeText);
// done x 100 / size in 64 bits; 100 for an empty file.
uint64_t k_progress_percent(uint32_t done, uint32_t size);
// "[name] done/size  percent%  rate KB/sec", and "  /Verify" when verifying. A rate needs
// time: with no time elapsed or nothing done it is 0.0.
void k_progress_line(char* out, size_t outSize, const char* name, uint32_t done, uint32_t size,
                     double seconds, bool verify);

// Builds the start line into LinkContext.transferLine (kept for the end line) and shows it.
void k_start_line_show(LinkContext* ctx, DeviceContext* dc, TransferDirection direction,
                       const char* localName, const char* dosName, uint32_t size,
                       const char* timeText);
// Shows the end line of the file begun by the kept start line, stamped with the time now.
void k_end_line_show(LinkContext* ctx, DeviceContext* dc);
// Puts the progress line, timed from LinkContext.transferStartTick, into pane 0 of the status
// bar; nothing without a status bar.
void k_progress_show(LinkContext* ctx, const char* name, uint32_t done, uint32_t size);
// "%Data error, BlockNo=n Retry=r" on the console.
void k_data_error_show(LinkContext* ctx, DeviceContext* dc, int32_t blockNumber, int retry);
