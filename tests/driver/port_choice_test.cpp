// What the port dialog offers and what applying its choice changes.
#include "driver/port_choice.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "console/link_context.h"
#include "serial/port.h"

namespace {
std::unique_ptr<LinkContext> contextOnPort(int comPort) {
    auto ctx = std::make_unique<LinkContext>();
    a_ContextDefaults(ctx.get());
    ctx->comPort = comPort;
    return ctx;
}

TEST(PortChoiceOffer, OffersComOneAndTheSecondPort) {
    auto offered = [](int comPort, int remembered) {
        const PortChoice choice = a_portChoiceOffered(contextOnPort(comPort).get(), remembered);
        return std::pair(choice.port, choice.secondPort);
    };
    EXPECT_EQ(offered(1, 0), std::pair(1, 2));  // COM1 configured: the second is COM2
    EXPECT_EQ(offered(5, 0), std::pair(5, 5));  // the configured port
    EXPECT_EQ(offered(1, 5), std::pair(1, 5));  // remembered for the run
}

struct ApplyCase {
    int comPort;
    PortChoice choice;
    int comPortAfter;
    bool closed;
};

class PortChoiceApply : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(PortChoiceApply, ChangesThePortByButtonAndClosesAnOpenOne) {
    const auto ctx = contextOnPort(GetParam().comPort);
    ctx->portOpen = 1;
    ctx->portHandle = PORT_NONE;
    a_applyPortChoice(ctx.get(), GetParam().choice);
    EXPECT_EQ(ctx->comPort, GetParam().comPortAfter);
    EXPECT_EQ(ctx->portOpen, GetParam().closed ? 0 : 1);
    EXPECT_EQ(ctx->verifyOn, GetParam().choice.verify);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortChoiceApply,
    ::testing::Values(ApplyCase{1, {1, 2, 1}, 1, false},  // kept: the port stays open
                      ApplyCase{1, {2, 2, 0}, 2, true}, ApplyCase{5, {1, 5, 0}, 1, true},
                      // The second button (2) differs from port 5: closed, the number stays.
                      ApplyCase{5, {5, 5, 0}, 5, true}));
}  // namespace
