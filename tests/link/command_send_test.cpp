// A run with acknowledgement waits, against the MS-DOS side played over a pseudo-terminal.
#include <string>

#include "link/link.h"
#include "link_fixture.h"
#include "support/report_capture.h"
#include "wire/wire_format.h"

namespace {

const Bytes ESC_C_FRAME = {0x1B, 0x43, 0xFF, 0x02, 0x00, 0x02, 0x00, 'x', 'x', 0xFF};

class CommandSendTest : public LinkFixture {
  protected:
    int sendWith(const Bytes& run, const std::vector<DosStep>& steps) {
        ScriptedPeer dos(pty.master(), [&](int fd) {
            playSteps(fd, steps, &heard);
            // Whatever else velmo sends before the call returns.
            Bytes rest = readBytes(fd, 64, 300);
            heard.insert(heard.end(), rest.begin(), rest.end());
        });
        int result = a_CommandSend(&ctx, int(run.size()), run.data());
        dos.join();
        return result;
    }

    Bytes heard;
};

TEST_F(CommandSendTest, FrameGoesOutInTwoWritesEachAcknowledged) {
    EXPECT_EQ(sendWith(ESC_C_FRAME, {{{}, 2}, {{ACK}, 6}, {{ACK}, 0}}), 0);
    EXPECT_EQ(heard, (Bytes{0x1B, 0x43, 0x02, 0x00, 0x02, 0x00, 'x', 'x'}));
}

TEST_F(CommandSendTest, OpensThePortOnceAndKeepsItOpen) {
    EXPECT_EQ(ctx.portOpen, 0);
    ASSERT_EQ(sendWith(ESC_C_FRAME, {{{}, 2}, {{ACK}, 6}, {{ACK}, 0}}), 0);
    EXPECT_EQ(ctx.portOpen, 1);
    int handle = ctx.portHandle;
    heard.clear();
    ASSERT_EQ(sendWith(ESC_C_FRAME, {{{}, 2}, {{ACK}, 6}, {{ACK}, 0}}), 0);
    EXPECT_EQ(ctx.portHandle, handle);
}

TEST_F(CommandSendTest, PortThatCannotBeOpenedGives10) {
    std::snprintf(ctx.portPaths[1], PORT_PATH_MAX, "/dev/velmo-no-such-port");
    EXPECT_EQ(a_CommandSend(&ctx, int(ESC_C_FRAME.size()), ESC_C_FRAME.data()), 10);
    EXPECT_EQ(ctx.portOpen, 0);
}

struct AnswerCase {
    const char* name;
    Bytes answer;
    int code;
};

class RefusedFrameTest : public CommandSendTest,
                         public ::testing::WithParamInterface<AnswerCase> {};

// After a refusal of ESC 'C' nothing more goes out.
TEST_P(RefusedFrameTest, EndsWithTheCodeAndSendsNothingMore) {
    ctx.timeoutSetting = 1;
    EXPECT_EQ(sendWith(ESC_C_FRAME, {{{}, 2}, {GetParam().answer, 0}}), GetParam().code);
    EXPECT_EQ(heard, (Bytes{0x1B, 0x43}));
}

// The code stays in the error line; what it means is told beneath it.
TEST_F(CommandSendTest, ARefusalIsPutInWords) {
    ctx.timeoutSetting = 1;
    sendWith(ESC_C_FRAME, {{{}, 2}, {{0x1B, DOS_ERROR_NO_FILE}, 0}});
    ASSERT_NE(ctx.failureWords, nullptr);
    EXPECT_NE(std::string(ctx.failureWords).find("no such file or directory"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Answers, RefusedFrameTest,
                         ::testing::Values(AnswerCase{"ErrorAnswer", {0x1B, 0x05}, 40},
                                           AnswerCase{"ErrorAnswerCut", {0x1B}, 40},
                                           AnswerCase{"OtherByte", {'x'}, 40},
                                           AnswerCase{"HighByte", {0x90}, 40},
                                           AnswerCase{"NoAnswer", {}, 30}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(CommandSendTest, ReportsCarryTheMsDosCodeAndTheWaitThatFailed) {
    ReportCapture capture;
    ctx.timeoutSetting = 1;
    sendWith(ESC_C_FRAME, {{{}, 2}, {{0x1B, 0x05}, 0}});
    heard.clear();
    sendWith(ESC_C_FRAME, {{{}, 2}});
    auto reports = capture.from("a_CommandSend");
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ((std::vector<int>{reports[0].first, reports[0].second, reports[0].third}),
              (std::vector<int>{40, 5, 0}));
    EXPECT_EQ((std::vector<int>{reports[1].first, reports[1].second, reports[1].third}),
              (std::vector<int>{30, 2, 2}));
}

TEST_F(CommandSendTest, FFInsideTheRunIsData) {
    const Bytes run = {'a', 0xFF, 'b', 0xFF, 'c'};
    EXPECT_EQ(sendWith(run, {{{}, 5}}), 0);
    EXPECT_EQ(heard, run);
}

TEST_F(CommandSendTest, LoneFFOnlyWaitsForOneAck) {
    // Open first: the open empties the line, and the ACK here comes before velmo sends a byte.
    openPort();
    EXPECT_EQ(sendWith({0xFF}, {{{ACK}, 0}}), 0);
    EXPECT_TRUE(heard.empty());
}

TEST_F(CommandSendTest, FailedWriteGives20) {
    openPort();
    pty.closeMaster();
    const Bytes run = {'a', 'b'};
    EXPECT_EQ(a_CommandSend(&ctx, int(run.size()), run.data()), 20);
}

}  // namespace
