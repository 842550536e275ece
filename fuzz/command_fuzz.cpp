// The command interpreter on a typed line built from the input: "#GET" and "#PUT" with their
// arguments and " /V", or a plain command, sent to a far end that acknowledges the frame.
//
// Input byte 0: bit 0 switches verification on in the settings, bits 1-7 give the capacity
// (1 to 128) of a direct call of the argument splitter. The rest is what the user typed.
#include <cstring>
#include <memory>

#include "console/link_context.h"
#include "fuzz_support.h"
#include "link/command_arguments.h"
#include "link/link.h"
#include "wire/wire_format.h"

namespace {

void typeLine(LinkContext* ctx, const uint8_t* typed, size_t size) {
    ConsoleLine& line = ctx->lines[ctx->lineCount - 1];
    const size_t promptLength = std::strlen(ctx->promptText);
    const size_t room = CONSOLE_LINE_MAX - promptLength;
    const size_t length = size < room ? size : room;
    std::memset(line.text, 0, sizeof line.text);
    std::memcpy(line.text, ctx->promptText, promptLength);
    std::memcpy(line.text + promptLength, typed, length);
    line.length = int32_t(promptLength + length);
    line.state = LINE_COMMAND;
}

bool terminated(const char* text, size_t capacity) {
    return strnlen(text, capacity) < capacity;
}

// The frame on the line: ESC 'C', STX, flags, 2n, the text twice, and nothing else.
void checkFrame(const LinkContext& ctx, const std::vector<uint8_t>& heard) {
    fuzz_check(heard.size() >= 6 && heard[0] == ESC && heard[1] == 'C' && heard[2] == STX,
               "frame head");
    const uint8_t flags = heard[3];
    fuzz_check((flags & ~(COMMAND_GET | COMMAND_PUT | COMMAND_VERIFY)) == 0, "frame flags");
    fuzz_check((flags & (COMMAND_GET | COMMAND_PUT)) != (COMMAND_GET | COMMAND_PUT),
               "GET and PUT at once");
    const size_t doubled = k_get16(heard.data() + 4);
    fuzz_check(doubled % 2 == 0 && heard.size() == 6 + doubled, "frame length");
    const size_t n = doubled / 2;
    fuzz_check(std::memcmp(heard.data() + 6, heard.data() + 6 + n, n) == 0, "two equal copies");
    if (flags & COMMAND_GET) {
        fuzz_check(n == std::strlen(ctx.dosFileName) &&
                       std::memcmp(heard.data() + 6, ctx.dosFileName, n) == 0,
                   "GET frame carries the MS-DOS name");
    }
}

void checkSplitter(const uint8_t* typed, size_t size, size_t capacity) {
    const auto first = std::make_unique<char[]>(capacity);
    const auto second = std::make_unique<char[]>(capacity);
    k_command_arguments(reinterpret_cast<const char*>(typed), size, first.get(), second.get(),
                        capacity);
    fuzz_check(terminated(first.get(), capacity) && terminated(second.get(), capacity),
               "arguments terminated within their capacity");
    fuzz_check(!std::strchr(first.get(), '"') && !std::strchr(second.get(), '"'),
               "a quote kept in an argument");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > FUZZ_INPUT_MAX) return -1;
    checkSplitter(data + 1, size - 1, size_t(data[0] >> 1) + 1);

    static LinkContext ctx;
    a_ContextDefaults(&ctx);
    ctx.verifyOn = data[0] & 1;
    typeLine(&ctx, data + 1, size - 1);
    const uint8_t acknowledgements[] = {ACK, ACK};
    FuzzLine line(acknowledgements, sizeof acknowledgements);
    line.attach(&ctx);
    NullSurface surface;
    const int result = a_CommandTo98(&ctx, &surface);
    line.drain();

    fuzz_check(terminated(ctx.dosFileName, sizeof ctx.dosFileName) &&
                   terminated(ctx.transferPath, sizeof ctx.transferPath),
               "file arguments terminated");
    fuzz_check(!(ctx.getMode && ctx.putMode), "GET and PUT at once");
    if (result == 0) {
        checkFrame(ctx, line.heard());
    } else {
        fuzz_check(result == -2 || result >= 65536, "a known result");
        fuzz_check(result != -2 || line.heard().empty(), "a usage text that sent something");
    }
    return 0;
}
