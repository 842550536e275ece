#include "console/console_paint.h"

#include <cstring>
#include <string>

#include "console/console_line.h"
#include "console/device_context.h"
#include "console/drawing.h"
#include "console/font_step.h"
#include "console/link_context.h"
#include "console/screen_buffer.h"

namespace {
constexpr int kLargeFontClientHeight = 400;  // a taller client area gets the larger font
constexpr int kSmallFontHeight = 14;
constexpr int kLargeFontHeight = 16;

// 30 "=", the title, 32 "=": 80 characters.
constexpr char kCaptionRow[] =
    "============================== [MS-DOS Monitor] ================================";

void textOut(const LinkContext* ctx, DeviceContext* dc, int x, int y, const char* text,
             int length) {
    if (ctx->backColor != -1) dc->setBackColor(ctx->backColor);
    if (ctx->textColor != -1) dc->setTextColor(ctx->textColor);
    dc->textOut(x, y, text, length);
}
}  // namespace

int a_consoleFontHeight(int clientHeight) {
    return clientHeight > kLargeFontClientHeight ? kLargeFontHeight : kSmallFontHeight;
}

void a_paintConsole(LinkContext* ctx, ViewHost* host, DeviceContext* dc, int width, int height,
                    bool adjustBackColor) {
    if (dc == nullptr) return;
    a_caretHide(ctx, host);
    if (ctx->backColor != -1) {
        dc->setBackColor(ctx->backColor);
        if (adjustBackColor) ctx->backColor = dc->setPixel(0, 0, ctx->backColor);
    }
    if (ctx->textColor != -1) dc->setTextColor(ctx->textColor);
    dc->fillRect(0, 0, width, height, ctx->backColor);

    ctx->fontHeight = a_consoleFontHeight(height);
    a_fontStep(ctx, FONT_SELECT, dc);
    dc->textOut(0, 0, kCaptionRow, static_cast<int>(std::strlen(kCaptionRow)));
    a_caretMove(ctx, host, 0);
    a_caretShowWhenIdle(ctx, host);

    ctx->redrawPending = 1;
    ctx->fullRedraw = 1;
    a_editRedraw(ctx, 0, ctx->lineHeight, dc);

    a_caretHide(ctx, host);
    a_drawInputLine(ctx, dc, false);
    a_caretMove(ctx, host, ctx->cursorColumn);
    a_caretShowWhenIdle(ctx, host);
    a_fontStep(ctx, FONT_RELEASE, dc);
}

void a_drawInputLine(LinkContext* ctx, DeviceContext* dc, bool changed) {
    static const std::string blanks(INPUT_LIMIT, ' ');
    const int x = a_promptLength(ctx) * ctx->charWidth;
    const int y = ctx->lineCount * ctx->lineHeight;
    if (ctx->inputLength == 0 && !changed) {
        textOut(ctx, dc, x, y, " ", 1);
        return;
    }
    if (ctx->historyKeyPending == 1 || changed) {
        ctx->historyKeyPending = 0;
        textOut(ctx, dc, x, y, blanks.data(), INPUT_LIMIT);
    }
    if (ctx->inputLength > 0) textOut(ctx, dc, x, y, ctx->inputLine, ctx->inputLength);
}
