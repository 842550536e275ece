#include "console/drawing.h"

#include <algorithm>
#include <cstring>

#include "base/view_host.h"
#include "console/font_step.h"
#include "console/link_context.h"

DeviceContext* a_drawBegin(LinkContext* ctx, ViewHost* host) {
    a_caretHide(ctx, host);
    DeviceContext* dc = host->getDC();
    if (dc != nullptr) a_fontStep(ctx, FONT_SELECT, dc);
    return dc;
}

void a_drawEnd(LinkContext* ctx, ViewHost* host, DeviceContext* dc) {
    if (dc != nullptr) {
        a_fontStep(ctx, FONT_RELEASE, dc);
        host->releaseDC(dc);
    }
    a_caretShowWhenIdle(ctx, host);
}

void a_caretHide(LinkContext* ctx, ViewHost* host) {
    if (ctx->caretVisible == 0) return;
    host->hideCaret();
    ctx->caretVisible = 0;
}

void a_caretShowWhenIdle(LinkContext* ctx, ViewHost* host) {
    if (ctx->linkActive != 0 || ctx->caretVisible != 0) return;
    host->showCaret();
    ctx->caretVisible = 1;
}

void a_caretMove(LinkContext* ctx, ViewHost* host, int column) {
    int x = (a_promptLength(ctx) + column) * ctx->charWidth;
    int y = (ctx->lineCount + 1) * ctx->lineHeight - ctx->caretHeight;
    host->setCaretPos(x, y);
}

int a_promptLength(const LinkContext* ctx) {
    int length = static_cast<int>(strnlen(ctx->promptText, sizeof ctx->promptText));
    return std::min(length, CONSOLE_LINE_MAX);
}
