// The "#PUT" transfer, with whatever the MS-DOS side answers: ACK, NAK, ESC sequences, echoes
// of any length and content.
//
// Input byte 0: bit 0 verification, bit 1 a cancel. Bytes 1-2: the size of the file sent
// (little-endian, up to 12 KiB so that it spans blocks). The rest is the line.
#include <cstdio>
#include <string>

#include "console/link_context.h"
#include "fuzz_support.h"
#include "link/link.h"

namespace {

constexpr size_t OPTION_BYTES = 3;
constexpr size_t FILE_SIZE_MAX = 12 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < OPTION_BYTES || size > FUZZ_INPUT_MAX) return -1;
    static LinkContext ctx;
    fuzz_link_context(&ctx, (data[0] >> 1) & 1);
    ctx.putMode = 1;
    ctx.verifyTransfer = data[0] & 1;

    ScratchDirectory scratch;
    std::string file((data[1] | data[2] << 8) % (FILE_SIZE_MAX + 1), '\0');
    for (size_t i = 0; i < file.size(); ++i) file[i] = char(i * 7);
    scratch.writeFile("SEND.BIN", reinterpret_cast<const uint8_t*>(file.data()), file.size());
    std::snprintf(ctx.transferPath, sizeof ctx.transferPath, "%s/SEND.BIN", scratch.path().c_str());

    FuzzLine line(data + OPTION_BYTES, size - OPTION_BYTES);
    line.attach(&ctx);
    // A call sends one block and takes its answer, or ends: the input bounds the calls.
    fuzz_run_step(&ctx, &line, size + 4, a_PutResponseFrom98);
    return 0;
}
