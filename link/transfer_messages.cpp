// The start, end, progress and data-error messages of both transfers.
#include "link/transfer_messages.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/view_host.h"
#include "console/link_context.h"
#include "console/screen_buffer.h"
#include "link/transfer_support.h"

namespace {

int formatStartLine(char* out, size_t outSize, TransferDirection direction, const char* localName,
                    const char* dosName, uint32_t size, const char* timeText) {
    if (direction == TransferDirection::FromDos) {
        return std::snprintf(out, outSize, "*[%s] <-- MS-DOS[%s %" PRIu32 "] %s", localName,
                             dosName, size, timeText);
    }
    return std::snprintf(out, outSize, "*[%s %" PRIu32 "] --> MS-DOS %s", localName, size,
                         timeText);
}

// "/a/b/c/NAME" -> "/.../NAME": the first directory, "...", the last component. Empty when
// the path has fewer than two separators ("/" is never part of a double-byte character).
std::string shortenedPath(const char* path) {
    const char* first = std::strchr(path, '/');
    const char* last = std::strrchr(path, '/');
    if (first == nullptr || first == last) return {};
    return std::string(path, size_t(first - path + 1)) + "..." + last;
}

double elapsedSeconds(uint32_t* start) {
    int days, hours, minutes, seconds, milliseconds;
    k_elapsed_time(1, &days, &hours, &minutes, &seconds, &milliseconds, start);
    return ((double(days) * 24 + hours) * 60 + minutes) * 60 + seconds + milliseconds * 0.001;
}

}  // namespace

int k_start_line(char* out, size_t outSize, TransferDirection direction, const char* localName,
                 const char* dosName, uint32_t size, const char* timeText) {
    const int length = formatStartLine(out, outSize, direction, localName, dosName, size, timeText);
    if (length <= TRANSFER_LINE_WIDTH) return length;
    const std::string shortened = shortenedPath(localName);
    if (shortened.empty()) return length;
    return formatStartLine(out, outSize, direction, shortened.c_str(), dosName, size, timeText);
}

void k_end_line(char* out, size_t outSize, const char* startLine, const char* timeText) {
    const size_t timeLength = std::strlen(timeText);
    std::string line = startLine;
    // A start line always holds a time and more; the padding only keeps a stray one in bounds.
    if (line.size() < timeLength + 7) line.resize(timeLength + 7, ' ');
    const size_t timeAt = line.size() - timeLength;
    line.replace(0, timeAt - 1, timeAt - 1, '-');  // the blank before the time stays
    line.replace(timeAt, timeLength, timeText);
    line[0] = ' ';
    line.replace(2, 5, "-END-");
    std::snprintf(out, outSize, "%s", line.c_str());
}

uint64_t k_progress_percent(uint32_t done, uint32_t size) {
    if (size == 0) return 100;
    return uint64_t{done} * 100 / size;
}

void k_progress_line(char* out, size_t outSize, const char* name, uint32_t done, uint32_t size,
                     double seconds, bool verify) {
    const double rate = done > 0 && seconds > 0 ? done * 0.001 / seconds : 0.0;
    std::snprintf(out, outSize, "[%s] %6" PRIu32 "/%" PRIu32 "  %2" PRIu64 "%%  %4.1fKB/sec%s",
                  name, done, size, k_progress_percent(done, size), rate,
                  verify ? "  /Verify" : "");
}

void k_start_line_show(LinkContext* ctx, DeviceContext* dc, TransferDirection direction,
                       const char* localName, const char* dosName, uint32_t size,
                       const char* timeText) {
    k_start_line(ctx->transferLine, sizeof ctx->transferLine, direction, localName, dosName, size,
                 timeText);
    a_editShow(ctx, ctx->transferLine, dc);
}

void k_end_line_show(LinkContext* ctx, DeviceContext* dc) {
    char timeText[TRANSFER_TIME_SIZE];
    k_datetime_text(timeText);
    char line[TRANSFER_LINE_SIZE];
    k_end_line(line, sizeof line, ctx->transferLine, timeText);
    a_editShow(ctx, line, dc);
}

void k_progress_show(LinkContext* ctx, const char* name, uint32_t done, uint32_t size) {
    if (ctx->statusBar == nullptr) return;
    char line[TRANSFER_LINE_SIZE];
    k_progress_line(line, sizeof line, name, done, size, elapsedSeconds(&ctx->transferStartTick),
                    ctx->verifyTransfer != 0);
    ctx->statusBar->setPaneText(0, line);
}

void k_data_error_show(LinkContext* ctx, DeviceContext* dc, int32_t blockNumber, int retry) {
    char line[64];
    std::snprintf(line, sizeof line, "%%Data error, BlockNo=%" PRId32 " Retry=%d", blockNumber,
                  retry);
    a_editShow(ctx, line, dc);
}
