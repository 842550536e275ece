#include "console/font_step.h"

#include "console/device_context.h"
#include "console/link_context.h"

void a_fontStep(LinkContext* ctx, int mode, DeviceContext* dc) {
    if (dc == nullptr) return;
    if (mode == FONT_SELECT) {
        int width = 0;
        int height = 0;
        // Without the font the previous metrics stay: the stock fixed font is drawn instead.
        if (dc->selectConsoleFont(ctx->fontHeight, &width, &height)) {
            ctx->charWidth = width;
            ctx->lineHeight = height;
        }
        if (ctx->backColor != -1) dc->setBackColor(ctx->backColor);
        if (ctx->textColor != -1) dc->setTextColor(ctx->textColor);
    } else if (mode == FONT_RELEASE) {
        dc->releaseConsoleFont();
    }
}
