#include "console/screen_buffer.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/view_host.h"
#include "console/console_line.h"
#include "console/device_context.h"
#include "console/link_context.h"
#include "files/reporter.h"

namespace {

int promptLength(const LinkContext* ctx) {
    // The prompt arrives from the other machine and may fill its whole buffer; a console line
    // holds at most 80 characters of it.
    int length = static_cast<int>(strnlen(ctx->promptText, sizeof ctx->promptText));
    return std::min(length, CONSOLE_LINE_MAX);
}

void clearLine(ConsoleLine* line) {
    std::memset(line, 0, sizeof *line);
    line->state = LINE_EMPTY;
}

void setLine(ConsoleLine* line, int state, const char* text, int length) {
    clearLine(line);
    line->state = state;
    line->length = length;
    std::memcpy(line->text, text, static_cast<size_t>(length));
}

// Makes room for one more line at the end of the table.
void makeRoom(LinkContext* ctx) {
    if (ctx->lineCount >= CONSOLE_LINES) {
        ctx->fullRedraw = 1;
        a_editScrollUp(ctx);
    }
}

void appended(LinkContext* ctx) {
    ctx->lineCount++;
    ctx->redrawPending = 1;
    if (ctx->consoleObserver != nullptr) ctx->consoleObserver->lineAppended(ctx->lineCount - 1);
}

void trimCommandLines(LinkContext* ctx) {
    for (int i = 0; i < ctx->lineCount; i++) {
        ConsoleLine& line = ctx->lines[i];
        if (line.state != LINE_COMMAND) continue;
        while (line.length > 0 && line.text[line.length - 1] == ' ') {
            line.text[--line.length] = '\0';
        }
    }
}

bool isTypedClear(const LinkContext* ctx) {
    if (ctx->lineCount <= 0) return false;
    const ConsoleLine& newest = ctx->lines[ctx->lineCount - 1];
    int p = promptLength(ctx);
    if (newest.state != LINE_COMMAND || newest.length != p + 3) return false;
    static constexpr char kClear[] = "CLS";
    for (int i = 0; i < 3; i++) {
        if (std::toupper(static_cast<unsigned char>(newest.text[p + i])) != kClear[i]) {
            return false;
        }
    }
    return true;
}

void clearToPrompt(LinkContext* ctx) {
    for (ConsoleLine& line : ctx->lines) clearLine(&line);
    setLine(&ctx->lines[0], LINE_PROMPT, ctx->promptText, promptLength(ctx));
    ctx->lineCount = 1;
    if (ctx->consoleObserver != nullptr) ctx->consoleObserver->consoleCleared();
}

void paintRow(const LinkContext* ctx, int row, int x, int y, DeviceContext* dc) {
    char buffer[CONSOLE_ROW_WIDTH];
    std::memset(buffer, ' ', sizeof buffer);
    const ConsoleLine& line = ctx->lines[row];
    if (row == 0 && ctx->lineCount == 0) {
        std::memcpy(buffer, "Dos>", 4);
    } else if (line.state != LINE_EMPTY && line.length > 0) {
        std::memcpy(buffer, line.text,
                    static_cast<size_t>(std::min(line.length, CONSOLE_LINE_MAX)));
    }
    dc->textOut(x, y + row * ctx->lineHeight, buffer, CONSOLE_ROW_WIDTH);
}

// An output line, or the prompt line, which the observer should see as one from the start.
int appendText(LinkContext* ctx, const char* text, int state) {
    int n = text == nullptr ? 0 : static_cast<int>(std::strlen(text));
    if (n <= 0) {
        k_fatal_error(2, "a_editOutBuf", 10, n, 0);
        return 10;
    }
    n = std::min(n, CONSOLE_LINE_MAX);
    makeRoom(ctx);
    setLine(&ctx->lines[ctx->lineCount], state, text, n);
    appended(ctx);
    return 0;
}

}  // namespace

int a_editOutBuf(LinkContext* ctx, const char* text) {
    return appendText(ctx, text, LINE_OUTPUT);
}

int a_editBuf_InToOut(LinkContext* ctx) {
    int n = static_cast<int>(strnlen(ctx->inputLine, sizeof ctx->inputLine));
    if (n <= 0) {
        k_fatal_error(2, "a_editBuf_InToOut", 10, n, 0);
        return 10;
    }
    if (ctx->lineCount > 0 && ctx->lines[ctx->lineCount - 1].state == LINE_PROMPT) {
        ctx->lineCount--;  // the entered line takes the prompt line's place
    }
    makeRoom(ctx);
    int p = promptLength(ctx);
    n = std::min(n, CONSOLE_LINE_MAX - p);

    ConsoleLine& line = ctx->lines[ctx->lineCount];
    setLine(&line, LINE_COMMAND, ctx->promptText, p);
    std::memcpy(line.text + p, ctx->inputLine, static_cast<size_t>(n));
    line.length = p + n;
    appended(ctx);
    return 0;
}

void a_editScrollUp(LinkContext* ctx) {
    if (ctx->lineCount <= 1) return;
    std::memmove(&ctx->lines[0], &ctx->lines[1],
                 sizeof(ConsoleLine) * static_cast<size_t>(ctx->lineCount - 1));
    ctx->lineCount--;
    clearLine(&ctx->lines[ctx->lineCount]);
}

void a_editRedraw(LinkContext* ctx, int x, int y, DeviceContext* dc) {
    if (ctx->redrawPending == 0) return;
    ctx->redrawPending = 0;
    trimCommandLines(ctx);

    ctx->clearScreenPending = 0;
    if (isTypedClear(ctx)) {
        // Cleared at once; the cleared console is painted whole by the next redraw, and the
        // command still goes to the other machine as a screen clear.
        ctx->clearScreenPending = 1;
        clearToPrompt(ctx);
        return;
    }

    int first = std::max(ctx->lineCount - 1, 0);
    if (ctx->fullRedraw == 1) {
        ctx->fullRedraw = 0;
        first = 0;
    }
    if (dc == nullptr) return;
    for (int row = first; row < CONSOLE_LINES; row++) paintRow(ctx, row, x, y, dc);
}

void a_editPrompt(LinkContext* ctx) {
    appendText(ctx, ctx->promptText, LINE_PROMPT);
}

void a_editShow(LinkContext* ctx, const char* text, DeviceContext* dc) {
    a_editOutBuf(ctx, text);
    ctx->redrawPending = 1;
    a_editRedraw(ctx, 0, ctx->lineHeight, dc);
}
