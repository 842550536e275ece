// "#PUT": local files to the MS-DOS side. Each call of the driver's tick either starts the
// next file that matches the pattern (its header block) or sends the next data block of the
// current one; a_send98_put carries each block through its exchange.
#include <cstdio>
#include <cstring>

#include "console/link_context.h"
#include "console/screen_buffer.h"
#include "files/file_layer.h"
#include "files/find_file.h"
#include "files/reporter.h"
#include "files/unsendable_names.h"
#include "link/link.h"
#include "link/transfer_io.h"
#include "link/transfer_lines.h"
#include "link/transfer_names.h"
#include "link/transfer_support.h"
#include "wire/wire_format.h"

namespace {

enum : int { NOT_OPENED = 0, FILE_READING = 1, FILE_READ = 2 };

// Some files of the pattern could not be sent (each named on the console): the command failed.
constexpr int FILES_NOT_SENT = 50;

// Kept from one call to the next; the first call of a command starts the search afresh.
struct PutTransferState {
    int phase;  // 1: the next call starts the next file; 0: it sends the next data block
    int findMode;
    FindContext findRecord;
    int readMode;  // 0: the next read opens the file first
    int fileState;
    int lastPending;  // the file has been read to its end, or no further file was found
    uint32_t blockNumber;
    FileControlBlock file;
    char localName[FIND_NAME_MAX];
    char baseName[512];
    uint32_t fileSize;
    uint32_t bytesSent;
    uint32_t bytesRead;
    int notSent;  // files of the pattern passed over, each with its line
    char timeText[TRANSFER_TIME_SIZE];
};

PutTransferState state;

struct PutCall {
    LinkContext* ctx;
    DeviceContext* dc;
    int lastResult;  // of the failing call, for the report
};

void resetFile() {
    state.fileState = NOT_OPENED;
    state.blockNumber = 0;
    state.lastPending = 0;
    state.readMode = 0;
    state.phase = 0;
}

void showLine(PutCall* call, const char* format, const char* name) {
    char line[TRANSFER_LINE_SIZE];
    std::snprintf(line, sizeof line, format, name);
    a_editShow(call->ctx, line, call->dc);
}

// A file of the pattern that is passed over: the user is told which and why.
void notSent(PutCall* call, const char* reason, const char* name) {
    char line[TRANSFER_LINE_SIZE];
    std::snprintf(line, sizeof line, "*Not sent (%s): %s", reason, name);
    a_editShow(call->ctx, line, call->dc);
    state.notSent++;
}

// After the last file, and after a cancel: ESC 'E' ends the transfer.
int endOfCall(LinkContext* ctx) {
    if (state.lastPending == 0 && ctx->cancelRequested == 0) return 0;
    k_link_send_end(ctx);
    if (ctx->cancelRequested != 0) return -2;
    return state.notSent == 0 ? -1 : FILES_NOT_SENT;
}

int sendHeader(PutCall* call) {
    LinkContext* ctx = call->ctx;
    state.bytesSent = 0;
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
    call->lastResult = k_dos_ftimeGet(state.localName, &dosDate, &dosTime);
    if (call->lastResult != 0) return 32;
    uint8_t* block = ctx->frameBuffer;
    k_block_header(block, dosDate, dosTime, state.fileSize, state.baseName,
                   std::strlen(state.baseName));
    k_datetime_text(state.timeText);
    k_start_line_show(ctx, call->dc, TransferDirection::ToDos, state.localName, state.baseName,
                      state.fileSize, state.timeText);
    int days, hours, minutes, seconds, milliseconds;
    k_elapsed_time(0, &days, &hours, &minutes, &seconds, &milliseconds, &ctx->transferStartTick);
    call->lastResult = a_send98_put(ctx, call->dc, block);
    if (call->lastResult != 0) return 34;
    // The rate counts from the delivered header on.
    k_elapsed_time(0, &days, &hours, &minutes, &seconds, &milliseconds, &ctx->transferStartTick);
    k_progress_show(ctx, state.baseName, 0, state.fileSize);
    return 0;
}

// The next file of the pattern that is not empty, announced by its header.
int startNextFile(PutCall* call) {
    LinkContext* ctx = call->ctx;
    resetFile();
    if (a_fnameget(state.findMode, ctx->transferPath, state.localName) != 0) {
        state.lastPending = 1;
        return endOfCall(ctx);
    }
    state.findMode = FIND_NEXT;
    for (;;) {
        if (state.localName[0] == '\0') return 10;
        const char* baseName = k_sent_base_name(state.localName);
        if (baseName[0] == '\0') return 20;
        std::snprintf(state.baseName, sizeof state.baseName, "%s", baseName);
        const char* refusal = k_sent_name_refusal(baseName);
        call->lastResult =
            refusal == nullptr ? k_file_sizeget(state.localName, &state.fileSize) : 0;
        if (call->lastResult == 1) {
            // Sizes travel in 32 bits and the file layer stops at 2 GiB.
            showLine(call, "*Too large to send (2 GiB or more): %s", state.localName);
            return 30;
        }
        if (refusal == nullptr && call->lastResult != 0) refusal = "cannot be read";
        if (refusal != nullptr) {
            notSent(call, refusal, state.localName);
        } else if (state.fileSize != 0) {
            return sendHeader(call);
        }
        resetFile();  // an empty file is not sent
        if (a_fnameget(FIND_NEXT, ctx->transferPath, state.localName) != 0) {
            state.lastPending = 1;
            return endOfCall(ctx);
        }
    }
}

int sendNextBlock(PutCall* call) {
    LinkContext* ctx = call->ctx;
    uint8_t* block = ctx->frameBuffer;
    state.bytesRead = 0;
    const int op = state.readMode == 0 ? FILE_OPEN : FILE_TRANSFER;
    call->lastResult = k_file_read(op, state.localName, k_block_payload(block), BLOCK_PAYLOAD_MAX,
                                   &state.bytesRead, &state.file);
    if (call->lastResult != 0 && call->lastResult != -1) return 40;
    state.readMode = 1;
    state.fileState = FILE_READING;
    if (call->lastResult == -1) {  // a short read: the reader has closed the file
        state.fileState = FILE_READ;
        state.lastPending = 1;
    }
    uint8_t type = BLOCK_DATA;
    if (state.lastPending != 0) {
        type = BLOCK_LAST;
        state.phase = 1;
        state.lastPending = 0;
    }
    k_block_data(block, type, ++state.blockNumber, state.bytesRead);
    call->lastResult = a_send98_put(ctx, call->dc, block);
    if (call->lastResult != 0) return 42;
    state.bytesSent += state.bytesRead;
    k_progress_show(ctx, state.baseName, state.bytesSent, state.fileSize);
    if (type == BLOCK_LAST) k_end_line_show(ctx, call->dc);
    return endOfCall(ctx);
}

// A search the transfer did not run to its end would keep its directory open.
void endSearch(LinkContext* ctx) {
    if (state.findRecord.state != FCB_OPEN) return;
    char unused[FIND_NAME_MAX];
    a_fnameget(FIND_CLOSE, ctx->transferPath, unused);
}

}  // namespace

int a_fnameget(int mode, const char* pattern, char* name) {
    const int result = k_NormalFileNameGet(mode, pattern, name, &state.findRecord);
    if (result != 0 && result != -1) k_fatal_error(2, "a_fnameget", result, result, result);
    return result;
}

int a_PutResponseFrom98(LinkContext* ctx, DeviceContext* dc) {
    PutCall call{ctx, dc, 0};
    if (ctx->tickCount == 1) {
        resetFile();
        state.findMode = FIND_FIRST;
        state.phase = 1;
        state.notSent = 0;
        for (const std::string& name : k_names_without_shift_jis(ctx->transferPath)) {
            notSent(&call, "no MS-DOS form of its name", name.c_str());
        }
    }
    const int result = state.phase == 1 ? startNextFile(&call) : sendNextBlock(&call);
    if (result == 0) return 0;
    endSearch(ctx);
    if (result == -1) return -1;
    if (state.fileState == FILE_READING) {
        k_file_read(FILE_CLOSE, state.localName, nullptr, 0, nullptr, &state.file);
        state.fileState = FILE_READ;
    }
    if (result != -2) {
        k_fatal_error(2, "a_PutResponseFrom98", result,
                      result == FILES_NOT_SENT ? state.notSent : call.lastResult,
                      result == 40 ? int(state.bytesRead) : 0);
    }
    return result;
}
