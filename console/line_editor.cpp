#include "console/line_editor.h"

#include <algorithm>
#include <cstring>

#include "base/view_host.h"
#include "console/console_paint.h"
#include "console/drawing.h"
#include "console/link_context.h"
#include "console/screen_buffer.h"

namespace {

int inputLimit(const LinkContext* ctx) {
    return std::clamp(ctx->inputLimit, 0, INPUT_LIMIT);
}

void clearLine(LinkContext* ctx) {
    std::memset(ctx->inputLine, 0, sizeof ctx->inputLine);
    ctx->inputLength = 0;
    ctx->cursorColumn = 0;
}

// Removes the character at `column`, closing the gap.
void removeAt(LinkContext* ctx, int column) {
    std::memmove(ctx->inputLine + column, ctx->inputLine + column + 1,
                 static_cast<size_t>(ctx->inputLength - column - 1));
    ctx->inputLength--;
    ctx->inputLine[ctx->inputLength] = '\0';
}

bool backspace(LinkContext* ctx) {
    // At column 0 there is nothing to the left to remove.
    if (ctx->inputLength == 0 || ctx->cursorColumn == 0) return false;
    ctx->cursorColumn--;
    removeAt(ctx, ctx->cursorColumn);
    return true;
}

bool deleteKey(LinkContext* ctx) {
    if (ctx->cursorColumn >= ctx->inputLength) return false;
    removeAt(ctx, ctx->cursorColumn);
    return true;
}

void insert(LinkContext* ctx, char c) {
    if (ctx->inputLength >= inputLimit(ctx)) return;  // refused without a sound
    int& cursor = ctx->cursorColumn;
    if (cursor < ctx->inputLength && ctx->insertMode == 0) {
        ctx->inputLine[cursor++] = c;
        return;
    }
    std::memmove(ctx->inputLine + cursor + 1, ctx->inputLine + cursor,
                 static_cast<size_t>(ctx->inputLength - cursor));
    ctx->inputLine[cursor++] = c;
    ctx->inputLength++;
    ctx->inputLine[ctx->inputLength] = '\0';
}

HistoryEntry& entry(LinkContext* ctx, int number) {
    return ctx->history[number - 1];
}

void recall(LinkContext* ctx, int number) {
    clearLine(ctx);
    const char* text = entry(ctx, number).text;
    int length = static_cast<int>(strnlen(text, static_cast<size_t>(inputLimit(ctx))));
    std::memcpy(ctx->inputLine, text, static_cast<size_t>(length));
    ctx->inputLength = length;
    ctx->cursorColumn = length;
}

// Entry 1 is the newest; the 25th line entered pushes the oldest out.
void remember(LinkContext* ctx, const char* line) {
    std::memmove(&ctx->history[1], &ctx->history[0], sizeof(HistoryEntry) * (HISTORY_ENTRIES - 1));
    HistoryEntry& newest = entry(ctx, 1);
    std::memset(&newest, 0, sizeof newest);
    newest.used = 1;
    std::memcpy(newest.text, line, strnlen(line, sizeof newest.text - 1));
}

bool historyUp(LinkContext* ctx) {
    ctx->historyIndex = std::min(ctx->historyIndex + 1, HISTORY_ENTRIES);
    if (entry(ctx, ctx->historyIndex).used == 0) ctx->historyIndex--;
    if (ctx->historyIndex == 0) {
        clearLine(ctx);
        return true;
    }
    if (entry(ctx, ctx->historyIndex).used == 0) return false;
    recall(ctx, ctx->historyIndex);
    return true;
}

bool historyDown(LinkContext* ctx) {
    if (ctx->historyIndex > 1) {
        ctx->historyIndex--;
        recall(ctx, ctx->historyIndex);
    } else {
        ctx->historyIndex = 0;
        clearLine(ctx);
    }
    return true;
}

// Enter: the line becomes a command line on the console and goes into the history. An empty
// line is refused by the console table and starts nothing.
bool enter(LinkContext* ctx) {
    if (a_editBuf_InToOut(ctx) != 0) return false;
    remember(ctx, ctx->inputLine);
    ctx->historyIndex = 0;
    ctx->linkActive = 1;
    clearLine(ctx);
    return true;
}

// A typed character. Returns whether the line changed in a way that needs the erase pass.
bool editCharacter(LinkContext* ctx, int c) {
    switch (c) {
        case KEY_BACKSPACE:
            return backspace(ctx);
        case KEY_TAB:
            return false;
        case KEY_ENTER:
            return enter(ctx);
        case KEY_ESCAPE:
            clearLine(ctx);
            return true;
        default:
            // The line is NUL-terminated text of bytes: a NUL, or a code that is no byte,
            // cannot be held in it.
            if (c > 0 && c <= 0xFF) insert(ctx, static_cast<char>(c));
            return false;
    }
}

// A key passed on by the key-down handler under one of the pending flags.
bool editKey(LinkContext* ctx, int virtualKey) {
    if (ctx->historyKeyPending == 1) return virtualKey == VK_UP && historyUp(ctx);
    switch (virtualKey) {
        case VK_LEFT:
            if (ctx->cursorColumn > 0) ctx->cursorColumn--;
            return false;
        case VK_RIGHT:
            if (ctx->cursorColumn < ctx->inputLength) ctx->cursorColumn++;
            return false;
        case VK_DELETE:
            return deleteKey(ctx);
        case VK_DOWN:
            return historyDown(ctx);
        default:
            return false;
    }
}

// The driver takes over: it runs the command on its ticks from now on.
void handOver(LinkContext* ctx, ViewHost* host) {
    if (ctx->statusBar != nullptr) ctx->statusBar->setPaneText(0, LINK_ACTIVE_TEXT);
    ctx->tickCount = 0;
    ctx->putMode = 0;
    ctx->getMode = 0;
    ctx->timerArmed = 1;
    host->setTimer(POLL_TIMER_ID, POLL_PERIOD_MS);
}

void clearPendingKeys(LinkContext* ctx) {
    ctx->historyKeyPending = 0;
    ctx->cursorKeyPending = 0;
}

}  // namespace

void a_editChar(LinkContext* ctx, ViewHost* host, int c) {
    if (ctx->linkActive == 1) {  // busy: nothing is edited or drawn
        clearPendingKeys(ctx);
        return;
    }
    bool pending = ctx->historyKeyPending == 1 || ctx->cursorKeyPending == 1;
    bool changed = pending ? editKey(ctx, c) : editCharacter(ctx, c);

    DeviceContext* dc = a_drawBegin(ctx, host);
    if (dc != nullptr) {
        a_drawInputLine(ctx, dc, changed);
        a_caretMove(ctx, host, ctx->cursorColumn);
    }
    // Also without a surface: the redraw runs the typed-"cls" check the command relies on.
    a_editRedraw(ctx, 0, ctx->lineHeight, dc);
    // Whether or not anything could be drawn, an accepted Enter starts the command; without
    // the timer it would stay busy for good.
    if (ctx->linkActive == 1) handOver(ctx, host);
    a_drawEnd(ctx, host, dc);

    ctx->inputLine[ctx->inputLength] = '\0';
    clearPendingKeys(ctx);
}

void a_editKeyDown(LinkContext* ctx, ViewHost* host, int virtualKey) {
    switch (virtualKey) {
        case VK_LEFT:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_DELETE:
            ctx->cursorKeyPending = 1;
            a_editChar(ctx, host, virtualKey);
            break;
        case VK_UP:
            ctx->historyKeyPending = 1;
            a_editChar(ctx, host, virtualKey);
            break;
        case VK_INSERT:
            ctx->insertMode = ctx->insertMode == 1 ? 0 : 1;
            if (ctx->statusBar != nullptr) {
                ctx->statusBar->setPaneText(1, ctx->insertMode == 1 ? "INS" : "   ");
            }
            break;
        default:
            break;
    }
}
