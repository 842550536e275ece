#include "driver/port_choice.h"

#include "console/link_context.h"
#include "driver/driver.h"

PortChoice a_portChoiceOffered(const LinkContext* ctx, int rememberedSecondPort) {
    int second = rememberedSecondPort;
    if (second == 0) second = ctx->comPort == 1 ? 2 : ctx->comPort;
    return PortChoice{ctx->comPort == 1 ? 1 : second, second, ctx->verifyOn == 1 ? 1 : 0};
}

void a_applyPortChoice(LinkContext* ctx, const PortChoice& choice) {
    ctx->verifyOn = choice.verify == 1 ? 1 : 0;
    const int button = choice.port == 1 ? 1 : 2;
    if (button != ctx->comPort) {
        ctx->comPort = choice.port;
        a_closePort(ctx);
    }
}
