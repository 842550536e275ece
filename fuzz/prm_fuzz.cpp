// The parameter file "PRM232C.TXT", written from the input and read at start-up.
#include <cstring>

#include "console/link_context.h"
#include "driver/prm_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > FUZZ_INPUT_MAX) return -1;
    static LinkContext ctx;
    ScratchDirectory scratch;
    scratch.writeFile("PRM232C.TXT", data, size);
    a_ContextDefaults(&ctx);
    const int descriptors = fuzz_open_descriptors();
    k_prm_read(&ctx);

    // Whatever the file says, the settings stay ones the port and the window can use.
    fuzz_check(ctx.comPort >= 1 && ctx.comPort <= COM_PORTS, "port 1 to 9");
    fuzz_check(ctx.baudRate >= 1, "a positive speed");
    fuzz_check(ctx.stopBits == 0 || ctx.stopBits == 2, "one or two stop bits");
    fuzz_check(ctx.timeoutSetting >= 8, "a time-out of a second or more");
    fuzz_check(ctx.verifyOn == 0 || ctx.verifyOn == 1, "verification on or off");
    fuzz_check(ctx.backColor >= -1 && ctx.backColor <= 0xFFFFFF, "background colour");
    fuzz_check(ctx.textColor >= -1 && ctx.textColor <= 0xFFFFFF, "text colour");
    fuzz_check(strnlen(ctx.captionText, sizeof ctx.captionText) < sizeof ctx.captionText,
               "caption terminated");
    for (const auto& path : ctx.portPaths) {
        fuzz_check(strnlen(path, sizeof path) < sizeof path, "device path terminated");
    }
    fuzz_check(fuzz_open_descriptors() == descriptors, "the parameter file left open");
    return 0;
}
