#include "driver/driver.h"

#include <cstdio>
#include <cstring>

#include "base/clock.h"
#include "base/messages.h"
#include "base/view_host.h"
#include "console/drawing.h"
#include "console/link_context.h"
#include "console/screen_buffer.h"
#include "link/line_drain.h"
#include "link/link.h"
#include "link/transfer_io.h"
#include "serial/port.h"

namespace {

constexpr int TICK_COUNT_MAX = 2147483647;

constexpr char SEND_ERROR[] = "*RS-232C Send-error, code=0x%08X  %s";
constexpr char RECEIVE_ERROR[] = "*RS-232C Receive-error, code=0x%08X  %s";

void setLinkState(LinkContext* ctx, const char* text) {
    if (ctx->statusBar != nullptr) ctx->statusBar->setPaneText(0, text);
}

void redraw(LinkContext* ctx, DeviceContext* dc) {
    ctx->redrawPending = 1;
    a_editRedraw(ctx, 0, ctx->lineHeight, dc);
}

void showPrompt(LinkContext* ctx, DeviceContext* dc) {
    a_editPrompt(ctx);
    redraw(ctx, dc);
}

bool newestIsPrompt(const LinkContext* ctx) {
    return ctx->lineCount > 0 && ctx->lines[ctx->lineCount - 1].state == LINE_PROMPT;
}

// Console lines of "*" and the text, broken at blanks: a long device path must not push the
// reason out of the 80 characters a line keeps.
void showStarred(LinkContext* ctx, DeviceContext* dc, const char* text) {
    constexpr size_t ROOM = CONSOLE_LINE_MAX - 1;
    while (*text != '\0') {
        size_t length = std::strlen(text);
        if (length > ROOM) {
            length = ROOM;
            while (length > 0 && text[length] != ' ') length--;
            if (length == 0) length = ROOM;
        }
        char line[CONSOLE_LINE_MAX + 1];
        std::snprintf(line, sizeof line, "*%.*s", static_cast<int>(length), text);
        a_editShow(ctx, line, dc);
        text += length;
        while (*text == ' ') text++;
    }
}

// The error line with the code and the time, then what the system said about the port, so
// that a missing device or a denied permission is told in words.
void showError(LinkContext* ctx, DeviceContext* dc, const char* format, int code) {
    char when[DATETIME_TEXT_SIZE];
    k_datetime_text(when);
    char line[96];
    std::snprintf(line, sizeof line, format, static_cast<unsigned>(code), when);
    a_editShow(ctx, line, dc);
    showStarred(ctx, dc, k_rs232c_explain(&ctx->ioOverlapped));
    if (ctx->failureWords != nullptr) showStarred(ctx, dc, ctx->failureWords);
}

// A command that did not end normally: the cancel notice when it was cancelled (the batch
// front end may cancel within a tick), else the error line.
void showUnfinished(LinkContext* ctx, DeviceContext* dc, const char* format, int code,
                    CommandEnd* end) {
    if (ctx->cancelRequested == 1) {
        a_editShow(ctx, k_message(Message::Cancelled), dc);
        *end = CommandEnd::Cancelled;
    } else {
        showError(ctx, dc, format, code);
        *end = CommandEnd::Failed;
    }
}

void closePort(LinkContext* ctx) {
    k_link_close(ctx);
}

// The first tick: the command goes out. A failure ends the command here.
int sendStep(LinkContext* ctx, DeviceContext* dc, CommandEnd* end) {
    // What the port said about an earlier command does not explain this one.
    ctx->ioOverlapped.systemError = 0;
    ctx->failureWords = nullptr;
    int stepResult = a_CommandTo98(ctx, dc);
    if (stepResult == STEP_MORE) return stepResult;
    ctx->putMode = 0;
    ctx->getMode = 0;
    if (stepResult == STEP_ENDED_EARLY) {
        redraw(ctx, dc);  // the interpreter leaves its last usage line unpainted
        *end = CommandEnd::Usage;
    } else {
        showUnfinished(ctx, dc, SEND_ERROR, stepResult, end);
    }
    showPrompt(ctx, dc);
    // After a failed send the port is closed even if it never opened, so that the next
    // command starts from a fresh open.
    if (ctx->portOpen == 1 || stepResult != STEP_ENDED_EARLY) closePort(ctx);
    return stepResult;
}

// Every tick of a running command: the step of the command's kind.
int receiveStep(LinkContext* ctx, DeviceContext* dc, CommandEnd* end) {
    int stepResult = ctx->getMode == 1   ? a_GetResponseFrom98(ctx, dc)
                     : ctx->putMode == 1 ? a_PutResponseFrom98(ctx, dc)
                                         : a_ResponseFrom98(ctx, dc);
    if (stepResult == STEP_MORE) return stepResult;
    if (stepResult == STEP_ENDED_NORMALLY) {
        *end = CommandEnd::Normal;
        return stepResult;
    }
    showUnfinished(ctx, dc, RECEIVE_ERROR, stepResult, end);
    showPrompt(ctx, dc);
    if (ctx->portOpen == 1) {
        k_link_drain_after_cut(ctx);
        closePort(ctx);
    }
    return stepResult;
}

// Back to editing. A text answer brought its own prompt; a transfer gets one here unless an
// error or cancel path already put it there.
void endCommand(LinkContext* ctx, DeviceContext* dc, int stepResult) {
    bool transfer = ctx->getMode == 1 || ctx->putMode == 1;
    if (transfer && ctx->cancelRequested == 0 && stepResult != STEP_ENDED_EARLY &&
        !newestIsPrompt(ctx)) {
        showPrompt(ctx, dc);
    }
    setLinkState(ctx, LINK_SLEEP_TEXT);
    ctx->cancelRequested = 0;
    ctx->linkActive = 0;
}

int linkStep(LinkContext* ctx, DeviceContext* dc, CommandEnd* end) {
    int stepResult = STEP_MORE;
    if (ctx->tickCount == 1) stepResult = sendStep(ctx, dc, end);
    if (stepResult == STEP_MORE) stepResult = receiveStep(ctx, dc, end);
    if (stepResult != STEP_MORE) endCommand(ctx, dc, stepResult);
    return stepResult;
}

}  // namespace

bool a_driverTick(LinkContext* ctx, ViewHost* host, int timerId, CommandEnd* end) {
    CommandEnd ignored;
    if (end == nullptr) end = &ignored;
    *end = CommandEnd::Running;
    if (timerId != POLL_TIMER_ID || ctx->timerArmed == 0) return false;

    host->killTimer(POLL_TIMER_ID);
    ctx->timerArmed = 0;
    int stepResult = STEP_MORE;
    DeviceContext* dc = a_drawBegin(ctx, host);
    if (dc != nullptr) {
        // Only ticks that can work are counted, so the command is sent on the first of them
        // even when the surface was missing at the tick before.
        if (ctx->tickCount < TICK_COUNT_MAX) ctx->tickCount++;
        if (ctx->linkActive == 1) stepResult = linkStep(ctx, dc, end);
    }
    a_drawEnd(ctx, host, dc);

    // Set again while the command runs, also after a tick without a surface: a command must
    // never be left busy with no tick to come.
    if (stepResult == STEP_MORE && ctx->linkActive == 1) {
        ctx->timerArmed = 1;
        host->setTimer(POLL_TIMER_ID, POLL_PERIOD_MS);
    }
    if (ctx->linkActive == 0) {
        a_caretHide(ctx, host);
        a_caretMove(ctx, host, ctx->inputLength);
        a_caretShowWhenIdle(ctx, host);
    }
    return true;
}

void a_cancelCommand(LinkContext* ctx) {
    if (a_canCancel(ctx)) ctx->cancelRequested = 1;
}

bool a_canCancel(const LinkContext* ctx) {
    return ctx->linkActive == 1 && ctx->cancelRequested == 0;
}

bool a_canChangePort(const LinkContext* ctx) {
    return ctx->linkActive == 0;
}

void a_closePort(LinkContext* ctx) {
    if (ctx->portOpen == 1) closePort(ctx);
}
