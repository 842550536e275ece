#include "console/link_context.h"

#include <cstring>

namespace {

constexpr char kDefaultPrompt[] = "MS-DOS>";

template <size_t N>
void putText(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    std::strncpy(field, text, N - 1);
}

}  // namespace

void a_ContextDefaults(LinkContext* ctx) {
    std::memset(ctx, 0, sizeof *ctx);
    ctx->versionText = "Ver 2.11";
    putText(ctx->captionText, "Quandor for MS-DOS");
    ctx->caretWidth = 6;
    ctx->caretHeight = 1;
    ctx->timeoutSetting = 240;  // 30 seconds
    ctx->comPort = 1;
    ctx->baudRate = 9600;
    ctx->stopBits = 0;  // one stop bit
    ctx->portHandle = PORT_NONE;
    ctx->ioOverlapped.portPaths = ctx->portPaths;
    putText(ctx->promptText, kDefaultPrompt);
    ctx->backColor = -1;
    ctx->textColor = -1;
    ctx->fontHeight = 14;
    ctx->charWidth = 8;
    ctx->lineHeight = 16;
    ctx->insertMode = 1;
    ctx->inputLimit = INPUT_LIMIT;

    ConsoleLine& prompt = ctx->lines[0];
    prompt.state = LINE_PROMPT;
    prompt.length = static_cast<int32_t>(std::strlen(kDefaultPrompt));
    putText(prompt.text, kDefaultPrompt);
    ctx->lineCount = 1;
}
