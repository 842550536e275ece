// The typeable VELMOD into DOS's COPY over a real pseudo-terminal: nothing before Enter, the
// paced text, the Ctrl+Z, and the refusals that leave the line untouched. Time is handed in, so the
// pacing is checked without waiting for it.
#include "link/velmod_sender.h"

#include <gtest/gtest.h>

#include "console/link_context.h"
#include "support/pty_pair.h"
#include "support/temp_working_directory.h"

namespace {

// Two lines of what COPY must take: printable ASCII and CR LF.
const std::string STAND_IN = "PR[Xh@@5AA%@@P_\r\nTYPEABLE-STAND-IN ~}|{ 0123456789\r\n";
constexpr uint64_t LATER_US = 10'000'000;

class VelmodSenderTest : public ::testing::Test {
  protected:
    VelmodSenderTest() {
        a_ContextDefaults(&ctx);
        pty.connect(&ctx);
        dir.writeFile("VELMOD.TXT", STAND_IN);
    }

    std::string heard() {
        const auto bytes = readBytes(pty.master(), 4096, 200);
        return std::string(bytes.begin(), bytes.end());
    }

    TempWorkingDirectory dir;
    PtyPair pty;
    LinkContext ctx{};
    VelmodSender sender{&ctx};
};

TEST_F(VelmodSenderTest, NothingUntilEnterThenPacedTextThenCtrlZ) {
    ASSERT_TRUE(sender.start("VELMOD.TXT")) << sender.problem();
    EXPECT_EQ(sender.step(0), -1);
    EXPECT_EQ(sender.step(LATER_US), -1);
    EXPECT_EQ(sender.phase(), SendPhase::Waiting);
    EXPECT_EQ(heard(), "");

    sender.beginText(200'000);
    // 9600 bit/s, 10 bits a byte: each byte and as long again of idle line.
    const int64_t interval = sender.byteIntervalUs();
    EXPECT_EQ(interval, 2083);
    EXPECT_EQ(sender.secondsLeft(), 1);
    uint64_t now = 200'000;
    for (int64_t wait; (wait = sender.step(now)) >= 0;) now += uint64_t(wait);
    EXPECT_EQ(sender.phase(), SendPhase::Done);
    EXPECT_EQ(now, 200'000 + STAND_IN.size() * uint64_t(interval));
    EXPECT_EQ(heard(), STAND_IN + "\x1A");
    EXPECT_EQ(ctx.portOpen, 0);
}

TEST_F(VelmodSenderTest, CancelEndsCopyAndSaysWhatToDelete) {
    ASSERT_TRUE(sender.start("VELMOD.TXT"));
    sender.beginText(0);
    sender.step(0);
    sender.cancel();
    EXPECT_EQ(heard(), "P\x1A");
    EXPECT_EQ(sender.phase(), SendPhase::Failed);
    EXPECT_NE(sender.problem().find("DEL VELMOD.COM"), std::string::npos) << sender.problem();
    EXPECT_EQ(sender.step(LATER_US), -1);
}

struct Refusal {
    const char* name;
    int rate;
    std::string text;
    const char* device;  // nullptr: the pseudo-terminal
    const char* says;
};

class VelmodSenderRefusal : public VelmodSenderTest,
                            public ::testing::WithParamInterface<Refusal> {};

TEST_P(VelmodSenderRefusal, SaysWhatToCheckAndSendsNothing) {
    const Refusal& refusal = GetParam();
    ctx.baudRate = refusal.rate;
    dir.writeFile("VELMOD.TXT", refusal.text);
    if (refusal.device) std::snprintf(ctx.portPaths[1], PORT_PATH_MAX, "%s", refusal.device);
    EXPECT_FALSE(sender.start("VELMOD.TXT"));
    EXPECT_EQ(sender.phase(), SendPhase::Failed);
    EXPECT_NE(sender.problem().find(refusal.says), std::string::npos) << sender.problem();
    EXPECT_EQ(sender.step(LATER_US), -1);
    EXPECT_EQ(heard(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Problems, VelmodSenderRefusal,
    ::testing::Values(Refusal{"RateModeCannotSet", 115200, STAND_IN, nullptr, "BAUDRATE=9600"},
                      Refusal{"TextWithCtrlZ", 9600,
                              "AB\x1A"
                              "CD\r\n",
                              nullptr, "byte 2 is not printable"},
                      Refusal{"EmptyText", 9600, "", nullptr, "it is empty"},
                      Refusal{"PortMissing", 9600, STAND_IN, "/dev/velmo-no-such-port",
                              "Cannot open COM1: /dev/velmo-no-such-port: no such device"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
