// The answer to a plain command, from whatever bytes the line carries.
//
// Input byte 0 chooses whether the user has asked to cancel (bit 0); the rest is the line.
// The step runs tick after tick, as the driver runs it, until it ends the answer.
#include <cstring>

#include "console/link_context.h"
#include "fuzz_support.h"
#include "link/link.h"

namespace {

void checkConsole(const LinkContext& ctx) {
    fuzz_check(ctx.lineCount >= 0 && ctx.lineCount <= CONSOLE_LINES, "line count in range");
    for (int i = 0; i < ctx.lineCount; ++i) {
        const ConsoleLine& line = ctx.lines[i];
        fuzz_check(line.length >= 0 && line.length <= CONSOLE_LINE_MAX, "line length in range");
        fuzz_check(line.text[line.length] == '\0', "line text terminated after its length");
    }
    fuzz_check(strnlen(ctx.promptText, sizeof ctx.promptText) <= 40, "prompt of 40 at most");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > FUZZ_INPUT_MAX) return -1;
    static LinkContext ctx;
    fuzz_link_context(&ctx, data[0] & 1);

    FuzzLine line(data + 1, size - 1);
    line.attach(&ctx);
    const int result = fuzz_run_step(&ctx, &line, size + 1, a_ResponseFrom98, checkConsole);
    fuzz_check(result != -2 || ctx.cancelRequested, "cancel notice without a cancel");
    for (uint8_t answer : line.heard()) {
        // ACK, NAK and the ESC 'E' of an overlong record: nothing else goes back.
        fuzz_check(answer == 0x06 || answer == 0x15 || answer == 0x1B || answer == 'E',
                   "only acknowledgements go back");
    }
    return 0;
}
