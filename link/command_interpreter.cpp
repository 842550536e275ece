// From the typed line to one CommandFrame: plain MS-DOS command, screen clear, "#GET", "#PUT".
#include "link/command_interpreter.h"

#include <cstring>

#include "base/messages.h"
#include "console/device_context.h"
#include "console/link_context.h"
#include "console/screen_buffer.h"
#include "files/reporter.h"
#include "link/command_arguments.h"
#include "link/command_send.h"
#include "link/step_result.h"
#include "wire/wire_format.h"

namespace {

enum class CommandKind { Plain, Get, Put };

constexpr char SCREEN_CLEAR[] = "!cls";
constexpr int KEYWORD_LENGTH = 4;
// A local path ending in the separator names a directory, not a file to send.
constexpr char LOCAL_SEPARATOR = '/';

struct Outcome {
    int code;
    int first;
    int second;
};

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// The keyword must start right after the prompt and be followed by a blank or nothing.
CommandKind classify(LinkContext* ctx, const char* command, int length) {
    char* keyword = reinterpret_cast<char*>(ctx->workBuffer);
    int i = 0;
    for (; i < 5 && i < length && command[i] != '\0'; ++i) keyword[i] = upperAscii(command[i]);
    for (; i <= 5; ++i) keyword[i] = '\0';
    if (std::strcmp(keyword, "#GET ") == 0 || std::strcmp(keyword, "#GET") == 0)
        return CommandKind::Get;
    if (std::strcmp(keyword, "#PUT ") == 0 || std::strcmp(keyword, "#PUT") == 0)
        return CommandKind::Put;
    return CommandKind::Plain;
}

// A trailing " /V" switches verification on for this transfer and is blanked in the line.
void takeVerifyOption(LinkContext* ctx, char* command, int length) {
    ctx->verifyTransfer = ctx->verifyOn;
    while (length > 0 && command[length - 1] == ' ') --length;
    if (length < 3) return;
    char* tail = command + length - 3;
    if (tail[0] == ' ' && tail[1] == '/' && upperAscii(tail[2]) == 'V') {
        tail[1] = ' ';
        tail[2] = ' ';
        ctx->verifyTransfer = 1;
    }
}

void parseArguments(LinkContext* ctx, const char* command, int length, char* first, char* second) {
    char* copy = reinterpret_cast<char*>(ctx->workBuffer);
    std::memcpy(copy, command, size_t(length));
    copy[length] = '\0';
    k_command_arguments(copy, size_t(length), first, second, sizeof ctx->dosFileName);
}

Outcome showUsage(LinkContext* ctx, DeviceContext* dc, Message purpose, Message usage) {
    a_editShow(ctx, k_message(purpose), dc);
    a_editOutBuf(ctx, k_message(usage));
    return {STEP_ENDED_EARLY, 0, 0};
}

// The name of a local file ends in something other than the separator.
bool namesLocalFile(const char* path) {
    size_t length = std::strlen(path);
    return length > 0 && path[length - 1] != LOCAL_SEPARATOR;
}

Outcome sendFrame(LinkContext* ctx, const char* text, size_t length) {
    uint8_t flags = 0;
    if (ctx->getMode) flags |= COMMAND_GET;
    if (ctx->putMode) flags |= COMMAND_PUT;
    if (ctx->verifyTransfer) flags |= COMMAND_VERIFY;
    size_t size = k_command_frame(ctx->frameBuffer, flags, text, length);
    int result = a_CommandSend(ctx, int(size), ctx->frameBuffer);
    if (result != 0) return {COMMAND_NOT_SENT, result, 0};
    return {0, 0, 0};
}

Outcome sendScreenClear(LinkContext* ctx, DeviceContext* dc) {
    ctx->putMode = 0;
    ctx->getMode = 0;
    ctx->inputLength = 0;
    ctx->inputLine[0] = '\0';
    Outcome outcome = sendFrame(ctx, SCREEN_CLEAR, sizeof SCREEN_CLEAR - 1);
    // The console is already empty; the whole window repaints whatever the send did.
    dc->invalidateWindow();
    if (outcome.code != 0) ctx->clearScreenPending = 0;
    return outcome;
}

Outcome sendGet(LinkContext* ctx, DeviceContext* dc, char* command, int length) {
    if (length == KEYWORD_LENGTH) return showUsage(ctx, dc, Message::GetPurpose, Message::GetUsage);
    ctx->getMode = 1;
    takeVerifyOption(ctx, command, length);
    parseArguments(ctx, command, length, ctx->dosFileName, ctx->transferPath);
    if (ctx->dosFileName[0] == '\0') return {COMMAND_GET_NO_NAME, 0, 0};
    return sendFrame(ctx, ctx->dosFileName, std::strlen(ctx->dosFileName));
}

Outcome sendPut(LinkContext* ctx, DeviceContext* dc, char* command, int length) {
    if (length == KEYWORD_LENGTH) return showUsage(ctx, dc, Message::PutPurpose, Message::PutUsage);
    ctx->putMode = 1;
    takeVerifyOption(ctx, command, length);
    parseArguments(ctx, command, length, ctx->transferPath, ctx->dosFileName);
    if (ctx->transferPath[0] == '\0') return {COMMAND_PUT_NO_NAME, 0, 0};
    if (!namesLocalFile(ctx->transferPath)) return {COMMAND_PUT_DIRECTORY, 0, 0};
    return sendFrame(ctx, ctx->dosFileName, std::strlen(ctx->dosFileName));
}

Outcome interpret(LinkContext* ctx, DeviceContext* dc) {
    if (ctx->clearScreenPending == 1) return sendScreenClear(ctx, dc);
    if (ctx->lineCount < 1 || ctx->lineCount > CONSOLE_LINES)
        return {COMMAND_NO_LINE, ctx->lineCount, 0};
    ConsoleLine& line = ctx->lines[ctx->lineCount - 1];
    if (line.state != LINE_COMMAND || line.length <= 0 || line.length > CONSOLE_LINE_MAX)
        return {COMMAND_LINE_NOT_TYPED, 0, 0};
    int promptLength = int(strnlen(ctx->promptText, sizeof ctx->promptText));
    int length = line.length - promptLength;
    if (length < 1) return {COMMAND_EMPTY, length, promptLength};
    ctx->putMode = 0;
    ctx->getMode = 0;
    char* command = line.text + promptLength;
    switch (classify(ctx, command, length)) {
        case CommandKind::Get:
            return sendGet(ctx, dc, command, length);
        case CommandKind::Put:
            return sendPut(ctx, dc, command, length);
        case CommandKind::Plain:
            break;
    }
    return sendFrame(ctx, command, size_t(length));
}

}  // namespace

int a_CommandTo98(LinkContext* ctx, DeviceContext* dc) {
    Outcome outcome = interpret(ctx, dc);
    if (outcome.code == 0) return STEP_MORE;
    k_fatal_error(2, "a_CommandTo98", outcome.code, outcome.first, outcome.second);
    if (outcome.code == STEP_ENDED_EARLY) return STEP_ENDED_EARLY;
    return int(uint32_t(outcome.code) << 16 | (uint32_t(outcome.first) & 0xFFFF));
}
