// "#GET": files from the MS-DOS side. Each call of the driver's tick handles one event of the
// transfer: one ignored byte, one control sequence, or one whole block with its answer.
#include "link/get_transfer.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "console/link_context.h"
#include "console/screen_buffer.h"
#include "files/file_layer.h"
#include "files/received_file.h"
#include "files/reporter.h"
#include "link/dos_file_time.h"
#include "link/failure_words.h"
#include "link/step_result.h"
#include "link/transfer_io.h"
#include "link/transfer_messages.h"
#include "link/transfer_names.h"
#include "link/transfer_support.h"
#include "wire/wire_format.h"

namespace {

constexpr int32_t BLOCK_NUMBER_MISSING = -666;  // shown when a block's number never arrived

enum : int { NO_FILE = 0, FILE_WRITING = 1, FILE_WRITTEN = 2 };

// Kept from one call to the next; the first call of a command resets the counters.
struct GetTransferState {
    bool opened;  // ESC 'R' opened the transfer: no block is taken before it
    int retryCount;
    int fileState;
    bool skipping;  // the file's name was refused: its blocks are taken and dropped
    bool headerSeen;
    bool directoryAsked;  // the request, a plain name, named a directory of the MS-DOS side
    int refusedFiles;
    uint32_t nextBlock;  // number of the data block that comes next in the current file
    FileControlBlock file;
    char localName[512];
    char tempName[560];  // written here, renamed to localName once complete
    bool replacing;      // a file was at localName before: it stays unless the new one is whole
    int incompleteFiles;
    char dosName[512];  // as the header gave it, for the lines the user sees
    uint16_t fileDate;
    uint16_t fileTime;
    uint32_t fileSize;
    uint32_t bytesDone;  // really written
    char timeText[TRANSFER_TIME_SIZE];
    // The block stored last. The other side sends a block again when our ACK reached it
    // damaged; that copy must not be written a second time (the repeat rule).
    BlockMemory lastStored;
};

GetTransferState transfer;

struct GetCall {
    LinkContext* ctx;
    DeviceContext* dc;
    bool stopped;    // the exchange broke off: nothing more may be sent, not even ESC 'E'
    int lastResult;  // of the last port or file call, for the report
};

int stop(GetCall* call, int code) {
    call->stopped = true;
    return code;
}

void showLine(GetCall* call, const char* text) {
    a_editShow(call->ctx, text, call->dc);
}

// A file left open was cut short. A new file stays on disk as received; an older file of that
// name is kept as it was and the part received is dropped. Either way the user is told.
void closeFile(GetCall* call) {
    if (transfer.fileState != FILE_WRITING) return;
    k_file_write(FILE_CLOSE, transfer.tempName, nullptr, 0, nullptr, &transfer.file);
    transfer.fileState = FILE_WRITTEN;
    transfer.incompleteFiles++;
    char line[TRANSFER_LINE_SIZE];
    if (transfer.replacing) {
        k_received_file_discard(transfer.tempName);
        std::snprintf(line, sizeof line, "*Incomplete: %s %u/%u bytes, not stored",
                      transfer.dosName, unsigned(transfer.bytesDone), unsigned(transfer.fileSize));
        showLine(call, line);
        std::snprintf(line, sizeof line, "*Kept unchanged: %s", transfer.localName);
        showLine(call, line);
        return;
    }
    const bool kept = k_received_file_commit(transfer.tempName, transfer.localName) == 0;
    if (!kept) k_received_file_discard(transfer.tempName);
    std::snprintf(line, sizeof line, "*Incomplete: %s %u/%u bytes", transfer.dosName,
                  unsigned(kept ? transfer.bytesDone : 0), unsigned(transfer.fileSize));
    showLine(call, line);
}

int giveUp(GetCall* call) {
    k_link_send_end(call->ctx);
    closeFile(call);
    return STEP_ENDED_EARLY;
}

int reject(GetCall* call) {
    LinkContext* ctx = call->ctx;
    transfer.retryCount++;
    k_data_error_show(ctx, call->dc, int32_t(k_block_number(ctx->frameBuffer)),
                      transfer.retryCount);
    if (transfer.retryCount > BLOCK_REPEATS_MAX) return giveUp(call);
    call->lastResult = k_link_send_byte(ctx, NAK);
    return call->lastResult == 0 ? STEP_MORE : stop(call, GET_NAK_NOT_SENT);
}

int startFile(GetCall* call, const uint8_t* block) {
    LinkContext* ctx = call->ctx;
    closeFile(call);
    transfer.fileState = NO_FILE;
    transfer.skipping = false;
    transfer.localName[0] = '\0';
    const char* name = reinterpret_cast<const char*>(k_block_payload(block));
    const size_t nameLength = strnlen(name, k_block_payload_length(block));
    std::snprintf(transfer.dosName, sizeof transfer.dosName, "%.*s", int(nameLength), name);
    transfer.fileDate = k_header_date(block);
    transfer.fileTime = k_header_time(block);
    transfer.fileSize = k_header_size(block);
    transfer.bytesDone = 0;
    k_block_forget(&transfer.lastStored);
    int days, hours, minutes, seconds, milliseconds;
    k_elapsed_time(0, &days, &hours, &minutes, &seconds, &milliseconds, &ctx->transferStartTick);
    k_progress_show(ctx, transfer.dosName, 0, transfer.fileSize);
    k_datetime_text(transfer.timeText);

    transfer.nextBlock = 1;
    k_block_remember(&transfer.lastStored, block);  // its copy after a damaged ACK is no new file

    char line[TRANSFER_LINE_SIZE];
    if (!transfer.headerSeen) {
        transfer.headerSeen = true;
        transfer.directoryAsked = k_request_names_directory(ctx->dosFileName, name, nameLength);
    }
    bool byWildcard = false;
    const char* refusal = k_received_name_refusal(ctx->dosFileName, transfer.directoryAsked, name,
                                                  nameLength, &byWildcard);
    if (refusal == nullptr) {
        refusal = k_received_local_name(ctx->transferPath, name, nameLength, transfer.localName,
                                        sizeof transfer.localName);
    }
    // The settings files are written only when the user names them.
    if (refusal == nullptr && byWildcard && k_received_file_is_setting(transfer.localName)) {
        refusal = "velmo's own settings file";
    }
    if (refusal == nullptr)
        refusal = k_received_file_check(transfer.localName, &transfer.replacing);
    if (refusal == nullptr && !k_received_file_temporary(transfer.localName, transfer.tempName,
                                                         sizeof transfer.tempName)) {
        refusal = "path too long";
    }
    if (refusal != nullptr) {
        std::snprintf(line, sizeof line, "*Refused file name from MS-DOS (%s): \"%s\"", refusal,
                      transfer.dosName);
        showLine(call, line);
        // Only this file is lost: its blocks are taken so that the far end goes on.
        transfer.skipping = true;
        transfer.refusedFiles++;
        return 0;
    }
    k_start_line_show(ctx, call->dc, TransferDirection::FromDos, transfer.localName,
                      transfer.dosName, transfer.fileSize, transfer.timeText);
    k_received_file_pending(transfer.tempName);
    call->lastResult =
        k_file_write(FILE_OPEN_ONLY, transfer.tempName, nullptr, 0, nullptr, &transfer.file);
    if (call->lastResult != 0) {
        k_received_file_discard(transfer.tempName);
        std::snprintf(line, sizeof line, "*Cannot create file: %s", transfer.localName);
        showLine(call, line);
        return GET_FILE_NOT_CREATED;
    }
    transfer.fileState = FILE_WRITING;
    return 0;
}

// A block out of sequence or past the announced size would put bytes where they do not
// belong: the transfer ends, and what is on disk stays a true beginning of the file.
int checkPlace(GetCall* call, const uint8_t* block) {
    const uint32_t number = k_block_number(block);
    const uint32_t payload = uint32_t(k_block_payload_length(block));
    char line[TRANSFER_LINE_SIZE];
    if (number != transfer.nextBlock) {
        std::snprintf(line, sizeof line, "*Block %u of %s arrived where block %u belongs",
                      unsigned(number), transfer.dosName, unsigned(transfer.nextBlock));
        showLine(call, line);
        return GET_BLOCK_OUT_OF_PLACE;
    }
    if (payload > transfer.fileSize - transfer.bytesDone) {
        std::snprintf(line, sizeof line, "*Block %u would carry %s past its %u bytes",
                      unsigned(number), transfer.dosName, unsigned(transfer.fileSize));
        showLine(call, line);
        return GET_BLOCK_PAST_SIZE;
    }
    transfer.nextBlock++;
    return 0;
}

// The blocks of a refused file: taken in order, written nowhere.
int dropData(GetCall* call, const uint8_t* block) {
    if (const int misplaced = checkPlace(call, block)) return misplaced;
    transfer.bytesDone += uint32_t(k_block_payload_length(block));
    k_block_remember(&transfer.lastStored, block);
    if (k_block_type(block) == BLOCK_LAST) transfer.skipping = false;
    return 0;
}

int storeData(GetCall* call, const uint8_t* block) {
    LinkContext* ctx = call->ctx;
    if (transfer.skipping) return dropData(call, block);
    // No header has opened a file.
    if (transfer.fileState != FILE_WRITING) return GET_FILE_NOT_WRITTEN;
    if (const int misplaced = checkPlace(call, block)) return misplaced;
    const uint32_t payload = uint32_t(k_block_payload_length(block));
    uint32_t written = 0;
    call->lastResult = k_file_write(FILE_TRANSFER, transfer.tempName, k_block_payload(block),
                                    payload, &written, &transfer.file);
    transfer.bytesDone += written;
    if (call->lastResult != 0) return GET_FILE_NOT_WRITTEN;
    k_block_remember(&transfer.lastStored, block);
    k_progress_show(ctx, transfer.dosName, transfer.bytesDone, transfer.fileSize);
    if (k_block_type(block) != BLOCK_LAST) return 0;
    // The announced size is the contract: a block lost or added on the way shows here.
    if (transfer.bytesDone != transfer.fileSize) return GET_FILE_INCOMPLETE;
    k_file_write(FILE_CLOSE, transfer.tempName, nullptr, 0, nullptr, &transfer.file);
    transfer.fileState = FILE_WRITTEN;
    k_dos_ftimeSet(transfer.tempName, transfer.fileDate, transfer.fileTime);
    call->lastResult = k_received_file_commit(transfer.tempName, transfer.localName);
    if (call->lastResult != 0) {
        k_received_file_discard(transfer.tempName);
        return GET_FILE_NOT_WRITTEN;
    }
    k_end_line_show(ctx, call->dc);
    return 0;
}

// Sends the block back and takes the other side's verdict on the echo. Nothing when the
// echo was confirmed; otherwise the result of the call.
std::optional<int> verifyEcho(GetCall* call) {
    LinkLine line{call->ctx, 0};
    const EchoVerdict verdict = k_echo_block(line, call->ctx->frameBuffer);
    call->lastResult = line.lastResult;
    switch (verdict) {
        case EchoVerdict::Confirmed:
            return std::nullopt;
        case EchoVerdict::Refused:
            return reject(call);
        case EchoVerdict::EchoNotSent:
            return stop(call, GET_ECHO_NOT_SENT);
        case EchoVerdict::VerdictLost:
            return stop(call, GET_VERDICT_LOST);
        case EchoVerdict::Ended:
        case EchoVerdict::Unexpected:
            break;
    }
    call->stopped = true;
    closeFile(call);
    return STEP_ENDED_EARLY;
}

int receiveBlock(GetCall* call) {
    LinkContext* ctx = call->ctx;
    uint8_t* block = ctx->frameBuffer;
    call->lastResult = k_link_receive(ctx, k_block_after_stx(block), BLOCK_TYPE_AND_LENGTH);
    if (call->lastResult != 0) return stop(call, GET_BLOCK_HEAD_LOST);
    const int length = k_block_length(block);
    if (length > BLOCK_LENGTH_MAX) return GET_BLOCK_TOO_LONG;
    k_block_set_number(block, uint32_t(BLOCK_NUMBER_MISSING));
    if (length < BLOCK_LENGTH_MIN) return reject(call);

    int received = 0;
    call->lastResult = k_link_receive(ctx, block + BLOCK_COUNTED_OFFSET, length, &received);
    if (call->lastResult == PORT_NOTHING_RECEIVED || call->lastResult == PORT_PART_RECEIVED) {
        if (received < 4) k_block_set_number(block, uint32_t(BLOCK_NUMBER_MISSING));
        return reject(call);
    }
    if (call->lastResult != 0) return stop(call, GET_BLOCK_BODY_FAILED);
    block[k_block_size(block)] = 0;
    if (!k_block_checksum_ok(block)) return reject(call);
    if (ctx->verifyTransfer != 0) {
        if (const std::optional<int> ended = verifyEcho(call)) return *ended;
    }

    if (ctx->cancelRequested != 0) return giveUp(call);  // the block is not stored
    transfer.retryCount = 0;
    if (!k_block_repeats(transfer.lastStored, block)) {
        const int stored =
            k_block_type(block) == BLOCK_HEADER ? startFile(call, block) : storeData(call, block);
        if (stored != 0) return stored;
    }
    call->lastResult = k_link_send_byte(ctx, ACK);
    return call->lastResult == 0 ? STEP_MORE : GET_ACK_NOT_SENT;
}

int controlSequence(GetCall* call) {
    LinkContext* ctx = call->ctx;
    uint8_t* sequence = ctx->frameBuffer;
    call->lastResult = k_link_receive(ctx, sequence + 1, 1);
    if (call->lastResult != 0) return stop(call, GET_ESCAPE_LETTER_LOST);
    if (sequence[1] == 'E') {
        call->stopped = true;
        closeFile(call);
        if (transfer.incompleteFiles != 0) return GET_FILE_INCOMPLETE;
        if (transfer.refusedFiles == 0) return STEP_ENDED_NORMALLY;
        ctx->failureWords = FILES_REFUSED_WORDS;
        return GET_FILES_REFUSED;
    }
    if (sequence[1] != 'R' || transfer.opened) return stop(call, GET_ESCAPE_UNEXPECTED);
    transfer.opened = true;
    call->lastResult = k_link_send_byte(ctx, ACK);
    return call->lastResult == 0 ? STEP_MORE : stop(call, GET_START_ACK_NOT_SENT);
}

int step(GetCall* call) {
    LinkContext* ctx = call->ctx;
    // Between events, not only when a block is taken: a far end that sends nothing but noise
    // must not hold a cancel off until the time-out.
    if (ctx->cancelRequested != 0) return giveUp(call);
    call->lastResult = k_link_receive(ctx, ctx->frameBuffer, 1);
    if (call->lastResult != 0) return GET_NO_EVENT;
    const uint8_t first = ctx->frameBuffer[0];
    if (first == ESC) return controlSequence(call);
    if (!transfer.opened || first != STX) return STEP_MORE;  // noise before or between blocks
    return receiveBlock(call);
}

}  // namespace

int a_GetResponseFrom98(LinkContext* ctx, DeviceContext* dc) {
    if (ctx->tickCount == 1) {
        transfer.opened = false;
        transfer.retryCount = 0;
        transfer.fileState = NO_FILE;
        transfer.skipping = false;
        transfer.headerSeen = false;
        transfer.directoryAsked = false;
        transfer.incompleteFiles = 0;
        transfer.refusedFiles = 0;
        k_block_forget(&transfer.lastStored);
    }
    GetCall call{ctx, dc, false, 0};
    const int result = step(&call);
    if (result == STEP_MORE || result == STEP_ENDED_NORMALLY || result == STEP_ENDED_EARLY) {
        return result;
    }
    closeFile(&call);
    k_fatal_error(2, "a_GetResponseFrom98", result,
                  result == GET_FILE_INCOMPLETE ? int(transfer.bytesDone) : call.lastResult, 0);
    if (!call.stopped) k_link_send_end(ctx);
    return result;
}
