// The answer to a plain command: text records shown line by line, the new prompt, the end.
#include "link/response_reception.h"

#include <cstring>

#include "console/link_context.h"
#include "console/screen_buffer.h"
#include "files/reporter.h"
#include "link/step_result.h"
#include "link/transfer_io.h"
#include "wire/wire_format.h"

namespace {

constexpr int PASSES_PER_CALL = 5;  // a sixth record waits for the next tick
constexpr size_t PROMPT_MAX = 40;
constexpr size_t PROMPT_HEAD = 5;
constexpr size_t PROMPT_TAIL = 12;
constexpr int TAB_WIDTH = 8;
constexpr int PASS_OVER = 1;  // the pass ended without ending the call

void paint(LinkContext* ctx, DeviceContext* dc) {
    a_editRedraw(ctx, 0, ctx->lineHeight, dc);
}

// A long prompt keeps its drive and its last directories: "C:\PR...\OLDFILES\X>".
void setPrompt(LinkContext* ctx, const char* text) {
    std::memset(ctx->promptText, 0, sizeof ctx->promptText);
    size_t length = std::strlen(text);
    if (length <= PROMPT_MAX) {
        std::memcpy(ctx->promptText, text, length);
        return;
    }
    std::memcpy(ctx->promptText, text, PROMPT_HEAD);
    std::memcpy(ctx->promptText + PROMPT_HEAD, "...", 3);
    std::memcpy(ctx->promptText + PROMPT_HEAD + 3, text + length - PROMPT_TAIL, PROMPT_TAIL);
}

void showPrompt(LinkContext* ctx, DeviceContext* dc, const char* text) {
    setPrompt(ctx, text);
    if (ctx->clearScreenPending) {
        // The answer to "!cls": its prompt starts the emptied screen.
        ctx->clearScreenPending = 0;
        ctx->lineCount = 0;
    }
    a_editPrompt(ctx);
    paint(ctx, dc);
}

// TAB to the next multiple of 8 columns; every other byte as it came.
void expandTabs(const uint8_t* text, int length, char* out) {
    int column = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] == '\t') {
            do out[column++] = ' ';
            while (column % TAB_WIDTH != 0);
        } else {
            out[column++] = char(text[i]);
        }
    }
    out[column] = '\0';
}

void showText(LinkContext* ctx, DeviceContext* dc, const uint8_t* text) {
    char* line = reinterpret_cast<char*>(ctx->workBuffer);
    expandTabs(text, int(std::strlen(reinterpret_cast<const char*>(text))), line);
    a_editShow(ctx, line, dc);
}

// One record after ESC 'R': ACK it in, read it, show it, answer it. Returns PASS_OVER or a
// code that ends the call; *promptLength is set when a prompt was taken.
int takeRecord(LinkContext* ctx, DeviceContext* dc, int* promptLength) {
    if (k_link_send_byte(ctx, ACK) != 0) return RESPONSE_RECORD_ACK_NOT_SENT;
    uint8_t* record = ctx->frameBuffer;
    if (k_link_receive(ctx, record, 1) != 0) return RESPONSE_RECORD_LOST;
    if (record[0] == ESC) {
        k_link_receive(ctx, record + 1, 1);
        return RESPONSE_RECORD_ESCAPED;
    }
    if (record[0] != STX) return RESPONSE_RECORD_UNFRAMED;
    if (k_link_receive(ctx, record + 1, 3) != 0) return RESPONSE_RECORD_HEAD_LOST;
    int length = k_get16(record + 2);
    if (length > TEXT_RECORD_MAX) {
        k_link_send_end(ctx);
        return RESPONSE_RECORD_TOO_LONG;
    }
    uint8_t* text = record + 4;
    if (length > 0 && k_link_receive(ctx, text, length) != 0) return RESPONSE_TEXT_LOST;
    text[length] = '\0';

    if (record[1] & TEXT_PROMPT) {
        showPrompt(ctx, dc, reinterpret_cast<const char*>(text));
        *promptLength = int(std::strlen(ctx->promptText));
    } else {
        showText(ctx, dc, text);
    }
    if (k_link_send_byte(ctx, ctx->cancelRequested ? NAK : ACK) != 0)
        return RESPONSE_ANSWER_NOT_SENT;
    return PASS_OVER;
}

// One pass: a stray byte, an ignored ESC pair, a record, or the end of the answer.
int pass(LinkContext* ctx, DeviceContext* dc, int* promptLength) {
    uint8_t byte = 0;
    if (k_link_receive(ctx, &byte, 1) != 0) return RESPONSE_NO_EVENT;
    // A cancel waits for the next record's answer; noise in its place brings none.
    if (byte != ESC) return ctx->cancelRequested ? STEP_ENDED_EARLY : PASS_OVER;
    if (k_link_receive(ctx, &byte, 1) != 0) return RESPONSE_ESCAPE_LETTER_LOST;
    if (byte == 'E') return ctx->cancelRequested ? STEP_ENDED_EARLY : STEP_ENDED_NORMALLY;
    if (byte != 'R') return PASS_OVER;
    return takeRecord(ctx, dc, promptLength);
}

}  // namespace

int a_ResponseFrom98(LinkContext* ctx, DeviceContext* dc) {
    int promptLength = 0;
    for (int i = 0; i < PASSES_PER_CALL; ++i) {
        int result = pass(ctx, dc, &promptLength);
        if (result == PASS_OVER) continue;
        if (result != STEP_ENDED_NORMALLY && result != STEP_ENDED_EARLY)
            k_fatal_error(2, "a_ResponseFrom98", result, promptLength, 0);
        return result;
    }
    return STEP_MORE;
}
