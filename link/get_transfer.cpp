// "#GET": files from the MS-DOS side. Each call of the driver's tick handles one event of the
// transfer: one ignored byte, one control sequence, or one whole block with its answer.
#include <cstdio>
#include <cstring>
#include <optional>

#include "console/link_context.h"
#include "console/screen_buffer.h"
#include "files/file_layer.h"
#include "files/received_file.h"
#include "files/reporter.h"
#include "link/failure_words.h"
#include "link/link.h"
#include "link/transfer_io.h"
#include "link/transfer_lines.h"
#include "link/transfer_names.h"
#include "link/transfer_support.h"
#include "wire/wire_format.h"

namespace {

constexpr int32_t BLOCK_NUMBER_MISSING = -666;  // shown when a block's number never arrived
constexpr int RETRY_LIMIT = 5;                  // repeats of one block before giving up
// A file ended before its announced size was on disk, or with more: the command failed.
constexpr int FILE_INCOMPLETE = 45;
// Files were refused by name; the others were copied, but the command failed.
constexpr int FILES_REFUSED = 46;
// A data block that is neither the next one nor a repeat of the last: it has no place.
constexpr int BLOCK_OUT_OF_PLACE = 47;
// A data block that would carry the file past the size its header announced.
constexpr int BLOCK_PAST_SIZE = 48;

enum : int { NO_FILE = 0, FILE_WRITING = 1, FILE_WRITTEN = 2 };

// Kept from one call to the next; the first call of a command resets the counters.
struct GetTransferState {
    int escCount;  // 0 until ESC 'R' opened the transfer: no block is taken before it
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

GetTransferState state;

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
    if (state.fileState != FILE_WRITING) return;
    k_file_write(FILE_CLOSE, state.tempName, nullptr, 0, nullptr, &state.file);
    state.fileState = FILE_WRITTEN;
    state.incompleteFiles++;
    char line[TRANSFER_LINE_SIZE];
    if (state.replacing) {
        k_received_file_discard(state.tempName);
        std::snprintf(line, sizeof line, "*Incomplete: %s %u/%u bytes, not stored", state.dosName,
                      unsigned(state.bytesDone), unsigned(state.fileSize));
        showLine(call, line);
        std::snprintf(line, sizeof line, "*Kept unchanged: %s", state.localName);
        showLine(call, line);
        return;
    }
    const bool kept = k_received_file_commit(state.tempName, state.localName) == 0;
    if (!kept) k_received_file_discard(state.tempName);
    std::snprintf(line, sizeof line, "*Incomplete: %s %u/%u bytes", state.dosName,
                  unsigned(kept ? state.bytesDone : 0), unsigned(state.fileSize));
    showLine(call, line);
}

int giveUp(GetCall* call) {
    k_link_send_end(call->ctx);
    closeFile(call);
    return -2;
}

int reject(GetCall* call) {
    LinkContext* ctx = call->ctx;
    state.retryCount++;
    k_data_error_show(ctx, call->dc, int32_t(k_block_number(ctx->frameBuffer)), state.retryCount);
    if (state.retryCount > RETRY_LIMIT) return giveUp(call);
    call->lastResult = k_link_send_byte(ctx, NAK);
    return call->lastResult == 0 ? 0 : stop(call, 41);
}

int startFile(GetCall* call, const uint8_t* block) {
    LinkContext* ctx = call->ctx;
    closeFile(call);
    state.fileState = NO_FILE;
    state.skipping = false;
    state.localName[0] = '\0';
    const char* name = reinterpret_cast<const char*>(k_block_payload(block));
    const size_t nameLength = strnlen(name, k_block_payload_length(block));
    std::snprintf(state.dosName, sizeof state.dosName, "%.*s", int(nameLength), name);
    state.fileDate = k_header_date(block);
    state.fileTime = k_header_time(block);
    state.fileSize = k_header_size(block);
    state.bytesDone = 0;
    k_block_forget(&state.lastStored);
    int days, hours, minutes, seconds, milliseconds;
    k_elapsed_time(0, &days, &hours, &minutes, &seconds, &milliseconds, &ctx->transferStartTick);
    k_progress_show(ctx, state.dosName, 0, state.fileSize);
    k_datetime_text(state.timeText);

    state.nextBlock = 1;
    k_block_remember(&state.lastStored, block);  // its copy after a damaged ACK is no new file

    char line[TRANSFER_LINE_SIZE];
    if (!state.headerSeen) {
        state.headerSeen = true;
        state.directoryAsked = k_request_names_directory(ctx->dosFileName, name, nameLength);
    }
    bool byWildcard = false;
    const char* refusal = k_received_name_refusal(ctx->dosFileName, state.directoryAsked, name,
                                                  nameLength, &byWildcard);
    if (refusal == nullptr) {
        refusal = k_received_local_name(ctx->transferPath, name, nameLength, state.localName,
                                        sizeof state.localName);
    }
    // The settings files are written only when the user names them.
    if (refusal == nullptr && byWildcard && k_received_file_is_setting(state.localName)) {
        refusal = "velmo's own settings file";
    }
    if (refusal == nullptr) refusal = k_received_file_check(state.localName, &state.replacing);
    if (refusal == nullptr &&
        !k_received_file_temporary(state.localName, state.tempName, sizeof state.tempName)) {
        refusal = "path too long";
    }
    if (refusal != nullptr) {
        std::snprintf(line, sizeof line, "*Refused file name from MS-DOS (%s): \"%s\"", refusal,
                      state.dosName);
        showLine(call, line);
        // Only this file is lost: its blocks are taken so that the far end goes on.
        state.skipping = true;
        state.refusedFiles++;
        return 0;
    }
    k_start_line_show(ctx, call->dc, TransferDirection::FromDos, state.localName, state.dosName,
                      state.fileSize, state.timeText);
    k_received_file_pending(state.tempName);
    call->lastResult =
        k_file_write(FILE_OPEN_ONLY, state.tempName, nullptr, 0, nullptr, &state.file);
    if (call->lastResult != 0) {
        k_received_file_discard(state.tempName);
        std::snprintf(line, sizeof line, "*Cannot create file: %s", state.localName);
        showLine(call, line);
        return 42;
    }
    state.fileState = FILE_WRITING;
    return 0;
}

// A block out of sequence or past the announced size would put bytes where they do not
// belong: the transfer ends, and what is on disk stays a true beginning of the file.
int checkPlace(GetCall* call, const uint8_t* block) {
    const uint32_t number = k_block_number(block);
    const uint32_t payload = uint32_t(k_block_payload_length(block));
    char line[TRANSFER_LINE_SIZE];
    if (number != state.nextBlock) {
        std::snprintf(line, sizeof line, "*Block %u of %s arrived where block %u belongs",
                      unsigned(number), state.dosName, unsigned(state.nextBlock));
        showLine(call, line);
        return BLOCK_OUT_OF_PLACE;
    }
    if (payload > state.fileSize - state.bytesDone) {
        std::snprintf(line, sizeof line, "*Block %u would carry %s past its %u bytes",
                      unsigned(number), state.dosName, unsigned(state.fileSize));
        showLine(call, line);
        return BLOCK_PAST_SIZE;
    }
    state.nextBlock++;
    return 0;
}

// The blocks of a refused file: taken in order, written nowhere.
int dropData(GetCall* call, const uint8_t* block) {
    if (const int misplaced = checkPlace(call, block)) return misplaced;
    state.bytesDone += uint32_t(k_block_payload_length(block));
    k_block_remember(&state.lastStored, block);
    if (k_block_type(block) == BLOCK_LAST) state.skipping = false;
    return 0;
}

int storeData(GetCall* call, const uint8_t* block) {
    LinkContext* ctx = call->ctx;
    if (state.skipping) return dropData(call, block);
    if (state.fileState != FILE_WRITING) return 43;  // no header has opened a file
    if (const int misplaced = checkPlace(call, block)) return misplaced;
    const uint32_t payload = uint32_t(k_block_payload_length(block));
    uint32_t written = 0;
    call->lastResult = k_file_write(FILE_TRANSFER, state.tempName, k_block_payload(block), payload,
                                    &written, &state.file);
    state.bytesDone += written;
    if (call->lastResult != 0) return 43;
    k_block_remember(&state.lastStored, block);
    k_progress_show(ctx, state.dosName, state.bytesDone, state.fileSize);
    if (k_block_type(block) != BLOCK_LAST) return 0;
    // The announced size is the contract: a block lost or added on the way shows here.
    if (state.bytesDone != state.fileSize) return FILE_INCOMPLETE;
    k_file_write(FILE_CLOSE, state.tempName, nullptr, 0, nullptr, &state.file);
    state.fileState = FILE_WRITTEN;
    k_dos_ftimeSet(state.tempName, state.fileDate, state.fileTime);
    call->lastResult = k_received_file_commit(state.tempName, state.localName);
    if (call->lastResult != 0) {
        k_received_file_discard(state.tempName);
        return 43;
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
            return stop(call, 39);
        case EchoVerdict::VerdictLost:
            return stop(call, 40);
        case EchoVerdict::Ended:
        case EchoVerdict::Unexpected:
            break;
    }
    call->stopped = true;
    closeFile(call);
    return -2;
}

int receiveBlock(GetCall* call) {
    LinkContext* ctx = call->ctx;
    uint8_t* block = ctx->frameBuffer;
    call->lastResult = k_link_receive(ctx, k_block_after_stx(block), BLOCK_TYPE_AND_LENGTH);
    if (call->lastResult != 0) return stop(call, 32);
    const int length = k_block_length(block);
    if (length > BLOCK_LENGTH_MAX) return 36;
    k_block_set_number(block, uint32_t(BLOCK_NUMBER_MISSING));
    if (length < BLOCK_LENGTH_MIN) return reject(call);

    int received = 0;
    call->lastResult = k_link_receive(ctx, block + BLOCK_BODY, length, &received);
    if (call->lastResult == 2 || call->lastResult == 25) {
        if (received < 4) k_block_set_number(block, uint32_t(BLOCK_NUMBER_MISSING));
        return reject(call);
    }
    if (call->lastResult != 0) return stop(call, 38);
    block[k_block_size(block)] = 0;
    if (!k_block_checksum_ok(block)) return reject(call);
    if (ctx->verifyTransfer != 0) {
        if (const std::optional<int> ended = verifyEcho(call)) return *ended;
    }

    if (ctx->cancelRequested != 0) return giveUp(call);  // the block is not stored
    state.retryCount = 0;
    if (!k_block_repeats(state.lastStored, block)) {
        const int stored =
            k_block_type(block) == BLOCK_HEADER ? startFile(call, block) : storeData(call, block);
        if (stored != 0) return stored;
    }
    call->lastResult = k_link_send_byte(ctx, ACK);
    return call->lastResult == 0 ? 0 : 44;
}

int controlSequence(GetCall* call) {
    LinkContext* ctx = call->ctx;
    uint8_t* sequence = ctx->frameBuffer;
    state.escCount++;
    call->lastResult = k_link_receive(ctx, sequence + 1, 1);
    if (call->lastResult != 0) return stop(call, 20);
    if (sequence[1] == 'E') {
        call->stopped = true;
        closeFile(call);
        if (state.incompleteFiles != 0) return FILE_INCOMPLETE;
        if (state.refusedFiles == 0) return -1;
        ctx->failureWords = FILES_REFUSED_WORDS;
        return FILES_REFUSED;
    }
    if (sequence[1] != 'R' || state.escCount != 1) return stop(call, 31);
    call->lastResult = k_link_send_byte(ctx, ACK);
    return call->lastResult == 0 ? 0 : stop(call, 30);
}

int step(GetCall* call) {
    LinkContext* ctx = call->ctx;
    // Between events, not only when a block is taken: a far end that sends nothing but noise
    // must not hold a cancel off until the time-out.
    if (ctx->cancelRequested != 0) return giveUp(call);
    call->lastResult = k_link_receive(ctx, ctx->frameBuffer, 1);
    if (call->lastResult != 0) return 10;
    const uint8_t first = ctx->frameBuffer[0];
    if (first == ESC) return controlSequence(call);
    if (state.escCount == 0 || first != STX) return 0;  // noise before or between blocks
    return receiveBlock(call);
}

}  // namespace

int a_GetResponseFrom98(LinkContext* ctx, DeviceContext* dc) {
    if (ctx->tickCount == 1) {
        state.escCount = 0;
        state.retryCount = 0;
        state.fileState = NO_FILE;
        state.skipping = false;
        state.headerSeen = false;
        state.directoryAsked = false;
        state.incompleteFiles = 0;
        state.refusedFiles = 0;
        k_block_forget(&state.lastStored);
    }
    GetCall call{ctx, dc, false, 0};
    const int result = step(&call);
    if (result == 0 || result == -1 || result == -2) return result;
    closeFile(&call);
    k_fatal_error(2, "a_GetResponseFrom98", result,
                  result == FILE_INCOMPLETE ? int(state.bytesDone) : call.lastResult, 0);
    if (!call.stopped) k_link_send_end(ctx);
    return result;
}
