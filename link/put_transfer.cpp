// "#PUT": local files to the MS-DOS side. Each call of the driver's tick either starts the
// next file that matches the pattern (its header block) or sends the next data block of the
// current one; a_send98_put carries each block through its exchange.
#include "link/put_transfer.h"

#include <cstdio>
#include <cstring>

#include "console/link_context.h"
#include "console/screen_buffer.h"
#include "files/file_layer.h"
#include "files/find_file.h"
#include "files/reporter.h"
#include "files/unsendable_names.h"
#include "link/dos_file_time.h"
#include "link/put_block.h"
#include "link/step_result.h"
#include "link/transfer_io.h"
#include "link/transfer_messages.h"
#include "link/transfer_names.h"
#include "link/transfer_support.h"
#include "wire/wire_format.h"

namespace {

enum : int { NOT_OPENED = 0, FILE_READING = 1, FILE_READ = 2 };

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

PutTransferState transfer;

struct PutCall {
    LinkContext* ctx;
    DeviceContext* dc;
    int lastResult;  // of the failing call, for the report
};

void resetFile() {
    transfer.fileState = NOT_OPENED;
    transfer.blockNumber = 0;
    transfer.lastPending = 0;
    transfer.readMode = 0;
    transfer.phase = 0;
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
    transfer.notSent++;
}

// After the last file, and after a cancel: ESC 'E' ends the transfer.
int endOfCall(LinkContext* ctx) {
    if (transfer.lastPending == 0 && ctx->cancelRequested == 0) return STEP_MORE;
    k_link_send_end(ctx);
    if (ctx->cancelRequested != 0) return STEP_ENDED_EARLY;
    return transfer.notSent == 0 ? STEP_ENDED_NORMALLY : PUT_FILES_NOT_SENT;
}

int sendHeader(PutCall* call) {
    LinkContext* ctx = call->ctx;
    transfer.bytesSent = 0;
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
    call->lastResult = k_dos_ftimeGet(transfer.localName, &dosDate, &dosTime);
    if (call->lastResult != 0) return PUT_TIME_UNREADABLE;
    uint8_t* block = ctx->frameBuffer;
    k_block_header(block, dosDate, dosTime, transfer.fileSize, transfer.baseName,
                   std::strlen(transfer.baseName));
    k_datetime_text(transfer.timeText);
    k_start_line_show(ctx, call->dc, TransferDirection::ToDos, transfer.localName,
                      transfer.baseName, transfer.fileSize, transfer.timeText);
    int days, hours, minutes, seconds, milliseconds;
    k_elapsed_time(0, &days, &hours, &minutes, &seconds, &milliseconds, &ctx->transferStartTick);
    call->lastResult = a_send98_put(ctx, call->dc, block);
    if (call->lastResult != PUT_BLOCK_DELIVERED) return PUT_HEADER_NOT_DELIVERED;
    // The rate counts from the delivered header on.
    k_elapsed_time(0, &days, &hours, &minutes, &seconds, &milliseconds, &ctx->transferStartTick);
    k_progress_show(ctx, transfer.baseName, 0, transfer.fileSize);
    return STEP_MORE;
}

// The next file of the pattern that is not empty, announced by its header.
int startNextFile(PutCall* call) {
    LinkContext* ctx = call->ctx;
    resetFile();
    if (a_fnameget(transfer.findMode, ctx->transferPath, transfer.localName) != 0) {
        transfer.lastPending = 1;
        return endOfCall(ctx);
    }
    transfer.findMode = FIND_NEXT;
    for (;;) {
        if (transfer.localName[0] == '\0') return PUT_NO_LOCAL_NAME;
        const char* baseName = k_sent_base_name(transfer.localName);
        if (baseName[0] == '\0') return PUT_NO_BASE_NAME;
        std::snprintf(transfer.baseName, sizeof transfer.baseName, "%s", baseName);
        const char* refusal = k_sent_name_refusal(baseName);
        call->lastResult =
            refusal == nullptr ? k_file_sizeget(transfer.localName, &transfer.fileSize) : 0;
        if (call->lastResult == 1) {
            // Sizes travel in 32 bits and the file layer stops at 2 GiB.
            showLine(call, "*Too large to send (2 GiB or more): %s", transfer.localName);
            return PUT_FILE_TOO_LARGE;
        }
        if (refusal == nullptr && call->lastResult != 0) refusal = "cannot be read";
        if (refusal != nullptr) {
            notSent(call, refusal, transfer.localName);
        } else if (transfer.fileSize != 0) {
            return sendHeader(call);
        }
        resetFile();  // an empty file is not sent
        if (a_fnameget(FIND_NEXT, ctx->transferPath, transfer.localName) != 0) {
            transfer.lastPending = 1;
            return endOfCall(ctx);
        }
    }
}

int sendNextBlock(PutCall* call) {
    LinkContext* ctx = call->ctx;
    uint8_t* block = ctx->frameBuffer;
    transfer.bytesRead = 0;
    const int op = transfer.readMode == 0 ? FILE_OPEN : FILE_TRANSFER;
    call->lastResult = k_file_read(op, transfer.localName, k_block_payload(block),
                                   BLOCK_PAYLOAD_MAX, &transfer.bytesRead, &transfer.file);
    if (call->lastResult != 0 && call->lastResult != -1) return PUT_READ_FAILED;
    transfer.readMode = 1;
    transfer.fileState = FILE_READING;
    if (call->lastResult == -1) {  // a short read: the reader has closed the file
        transfer.fileState = FILE_READ;
        transfer.lastPending = 1;
    }
    uint8_t type = BLOCK_DATA;
    if (transfer.lastPending != 0) {
        type = BLOCK_LAST;
        transfer.phase = 1;
        transfer.lastPending = 0;
    }
    k_block_data(block, type, ++transfer.blockNumber, transfer.bytesRead);
    call->lastResult = a_send98_put(ctx, call->dc, block);
    if (call->lastResult != PUT_BLOCK_DELIVERED) return PUT_DATA_NOT_DELIVERED;
    transfer.bytesSent += transfer.bytesRead;
    k_progress_show(ctx, transfer.baseName, transfer.bytesSent, transfer.fileSize);
    if (type == BLOCK_LAST) k_end_line_show(ctx, call->dc);
    return endOfCall(ctx);
}

// A search the transfer did not run to its end would keep its directory open.
void endSearch(LinkContext* ctx) {
    if (transfer.findRecord.state != FCB_OPEN) return;
    char unused[FIND_NAME_MAX];
    a_fnameget(FIND_CLOSE, ctx->transferPath, unused);
}

}  // namespace

int a_fnameget(int mode, const char* pattern, char* name) {
    const int result = k_NormalFileNameGet(mode, pattern, name, &transfer.findRecord);
    if (result != 0 && result != -1) k_fatal_error(2, "a_fnameget", result, result, result);
    return result;
}

int a_PutResponseFrom98(LinkContext* ctx, DeviceContext* dc) {
    PutCall call{ctx, dc, 0};
    if (ctx->tickCount == 1) {
        resetFile();
        transfer.findMode = FIND_FIRST;
        transfer.phase = 1;
        transfer.notSent = 0;
        for (const std::string& name : k_names_without_shift_jis(ctx->transferPath)) {
            notSent(&call, "no MS-DOS form of its name", name.c_str());
        }
    }
    const int result = transfer.phase == 1 ? startNextFile(&call) : sendNextBlock(&call);
    if (result == STEP_MORE) return STEP_MORE;
    endSearch(ctx);
    if (result == STEP_ENDED_NORMALLY) return STEP_ENDED_NORMALLY;
    if (transfer.fileState == FILE_READING) {
        k_file_read(FILE_CLOSE, transfer.localName, nullptr, 0, nullptr, &transfer.file);
        transfer.fileState = FILE_READ;
    }
    if (result != STEP_ENDED_EARLY) {
        k_fatal_error(2, "a_PutResponseFrom98", result,
                      result == PUT_FILES_NOT_SENT ? transfer.notSent : call.lastResult,
                      result == PUT_READ_FAILED ? int(transfer.bytesRead) : 0);
    }
    return result;
}
