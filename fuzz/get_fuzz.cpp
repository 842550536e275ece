// The "#GET" transfer, from whatever bytes the line carries.
//
// Input byte 0 chooses the run: bit 0 verification, bits 1-2 the destination typed (none: the
// current directory; a directory; a file name), bit 3 a cancel. The rest is the line. Files
// are written into a fresh directory, and nothing may appear beside it: no header name, however
// hostile, may lead a file out of the destination.
#include <cstdio>
#include <filesystem>

#include "console/link_context.h"
#include "fuzz_support.h"
#include "link/link.h"

namespace {

void chooseDestination(LinkContext* ctx, int kind, const ScratchDirectory& scratch) {
    const std::string dir = scratch.path().string();
    switch (kind) {
        case 1:
            std::snprintf(ctx->transferPath, sizeof ctx->transferPath, "%s/", dir.c_str());
            break;
        case 2:
            std::snprintf(ctx->transferPath, sizeof ctx->transferPath, "%s/OUT.BIN", dir.c_str());
            break;
        default:
            ctx->transferPath[0] = '\0';  // the current directory, which is the scratch one
    }
}

void checkNothingOutside(const ScratchDirectory& scratch) {
    for (const auto& entry : std::filesystem::directory_iterator(ScratchDirectory::root())) {
        fuzz_check(entry.path() == scratch.path(), "a file written outside the destination");
    }
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
        fuzz_check(entry.is_regular_file(), "something other than a file in the destination");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > FUZZ_INPUT_MAX) return -1;
    static LinkContext ctx;
    fuzz_link_context(&ctx, (data[0] >> 3) & 1);
    ctx.getMode = 1;
    ctx.verifyTransfer = data[0] & 1;

    ScratchDirectory scratch;
    chooseDestination(&ctx, (data[0] >> 1) & 3, scratch);
    FuzzLine line(data + 1, size - 1);
    line.attach(&ctx);
    fuzz_run_step(&ctx, &line, size + 1, a_GetResponseFrom98);
    checkNothingOutside(scratch);
    return 0;
}
