// The answer to a plain command, against the MS-DOS side played over a pseudo-terminal.
#include <thread>

#include "link/link.h"
#include "link_fixture.h"
#include "support/report_capture.h"
#include "wire/wire_format.h"

namespace {

const Bytes ESC_R = {0x1B, 'R'};
const Bytes ESC_E = {0x1B, 'E'};

class ResponseTest : public LinkFixture {
  protected:
    ResponseTest() { openPort(); }

    // Runs one call against the steps; returns its result, what velmo sent is in `heard`.
    int receiveWith(const std::vector<DosStep>& steps) {
        ScriptedPeer dos(pty.master(), [&](int fd) { playSteps(fd, steps, &heard); });
        int result = a_ResponseFrom98(&ctx, &dc);
        dos.join();
        return result;
    }

    Bytes heard;
};

TEST_F(ResponseTest, OneLineAndThePromptRunAsOnTheLine) {
    int before = ctx.lineCount;
    int result = receiveWith({
        {{0x1B, 0x52}, 1},
        {{0x02, 0x00, 0x05, 0x00, 0x61, 0x62, 0x09, 0x63, 0x64}, 1},
        {{0x1B, 0x52}, 1},
        {{0x02, 0x01, 0x02, 0x00, 0x41, 0x3E}, 1},
        {{0x1B, 0x45}, 0},
    });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(heard, (Bytes{0x06, 0x06, 0x06, 0x06}));
    ASSERT_EQ(ctx.lineCount, before + 2);
    EXPECT_EQ(lineText(before), "ab      cd");
    EXPECT_EQ(ctx.lines[before].state, LINE_OUTPUT);
    EXPECT_EQ(lineText(before + 1), "A>");
    EXPECT_EQ(ctx.lines[before + 1].state, LINE_PROMPT);
    EXPECT_STREQ(ctx.promptText, "A>");
}

struct TabCase {
    const char* received;
    const char* shown;
};

class TabTest : public ResponseTest, public ::testing::WithParamInterface<TabCase> {};

TEST_P(TabTest, ExpandsToTheNextMultipleOfEight) {
    receiveWith({{ESC_R, 1}, {textRecord(0, GetParam().received), 1}, {ESC_E, 0}});
    EXPECT_EQ(lineText(ctx.lineCount - 1), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Columns, TabTest,
                         ::testing::Values(TabCase{"\tx", "        x"},
                                           TabCase{"1234567\tx", "1234567 x"},
                                           TabCase{"12345678\tx", "12345678        x"},
                                           TabCase{"a\r\x01", "a\r\x01"}));

TEST_F(ResponseTest, StrayBytesAreDroppedFivePerCall) {
    int before = ctx.lineCount;
    EXPECT_EQ(receiveWith({{{0x0D, 0x0A, 0x0D, 0x1B, 'x', 0x01, 0x06}, 0}}), 0);
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(ctx.lineCount, before);
    // The sixth byte was left for the next call.
    uint8_t left = 0;
    int received = 0;
    EXPECT_EQ(k_rs232c_receive2(1, ctx.portHandle, &ctx.ioOverlapped, &left, 1, &received), 0);
    EXPECT_EQ(left, 0x06);
}

TEST_F(ResponseTest, FiveRecordsPerCallTheSixthOnTheNextTick) {
    std::vector<DosStep> steps;
    for (int i = 0; i < 6; ++i) {
        steps.push_back({ESC_R, 1});
        steps.push_back({textRecord(0, "line " + std::to_string(i)), 1});
    }
    steps.push_back({ESC_E, 0});
    ScriptedPeer dos(pty.master(), [&](int fd) { playSteps(fd, steps, &heard); });
    EXPECT_EQ(a_ResponseFrom98(&ctx, &dc), 0);
    EXPECT_EQ(lineText(ctx.lineCount - 1), "line 4");
    EXPECT_EQ(a_ResponseFrom98(&ctx, &dc), -1);
    dos.join();
    EXPECT_EQ(lineText(ctx.lineCount - 1), "line 5");
    EXPECT_EQ(heard, Bytes(12, 0x06));
}

struct PromptCase {
    std::string received;
    std::string kept;
};

class PromptTest : public ResponseTest, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(PromptTest, LongPromptsKeepTheirHeadAndTail) {
    EXPECT_EQ(
        receiveWith({{ESC_R, 1}, {textRecord(TEXT_PROMPT, GetParam().received), 1}, {ESC_E, 0}}),
        -1);
    EXPECT_EQ(std::string(ctx.promptText), GetParam().kept);
    EXPECT_EQ(lineText(ctx.lineCount - 1), GetParam().kept);
    EXPECT_EQ(newestLine().state, LINE_PROMPT);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PromptTest,
    ::testing::Values(PromptCase{"C:\\>", "C:\\>"},
                      PromptCase{std::string(39, 'p') + ">", std::string(39, 'p') + ">"},
                      PromptCase{"C:\\PROJECTS\\ARCHIVE\\DOCUMENTS\\OLDFILES\\X>",
                                 "C:\\PR...\\OLDFILES\\X>"},
                      // A prompt is shown as it came, TAB included.
                      PromptCase{"\tA>", "\tA>"}));

TEST_F(ResponseTest, ThePromptAfterAScreenClearStartsTheEmptiedScreen) {
    ctx.clearScreenPending = 1;
    receiveWith({{ESC_R, 1}, {textRecord(0xFF, "B>"), 1}, {ESC_E, 0}});
    EXPECT_EQ(ctx.clearScreenPending, 0);
    ASSERT_EQ(ctx.lineCount, 1);
    EXPECT_EQ(lineText(0), "B>");
    EXPECT_EQ(ctx.lines[0].state, LINE_PROMPT);
}

TEST_F(ResponseTest, RecordOf80IsTaken81IsEndedWithEscE) {
    EXPECT_EQ(receiveWith({{ESC_R, 1}, {textRecord(0, std::string(80, 'x')), 1}, {ESC_E, 0}}), -1);
    EXPECT_EQ(lineText(ctx.lineCount - 1), std::string(80, 'x'));
    heard.clear();
    EXPECT_EQ(receiveWith({{ESC_R, 1}, {textRecord(0, std::string(81, 'y')), 2}}), 36);
    EXPECT_EQ(heard, (Bytes{0x06, 0x1B, 'E'}));
}

TEST_F(ResponseTest, FailureReportCarriesTheLengthOfAPromptTakenInTheSameCall) {
    ReportCapture capture;
    receiveWith({{ESC_R, 1},
                 {textRecord(TEXT_PROMPT, "C:\\>"), 1},
                 {ESC_R, 1},
                 {textRecord(0, std::string(81, 'y')), 2}});
    auto reports = capture.from("a_ResponseFrom98");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, 36);
    EXPECT_EQ(reports[0].second, 4);  // "C:\>"
}

TEST_F(ResponseTest, EmptyTextRecordIsAcknowledgedWithoutALine) {
    int before = ctx.lineCount;
    EXPECT_EQ(receiveWith({{ESC_R, 1}, {textRecord(0, ""), 1}, {ESC_E, 0}}), -1);
    EXPECT_EQ(heard, (Bytes{0x06, 0x06}));
    EXPECT_EQ(ctx.lineCount, before);
}

TEST_F(ResponseTest, CancelShowsTheLineAnswersNakAndEndsWithMinus2) {
    ctx.cancelRequested = 1;
    EXPECT_EQ(receiveWith({{ESC_R, 1}, {textRecord(0, "still shown"), 1}, {ESC_E, 0}}), -2);
    EXPECT_EQ(heard, (Bytes{0x06, 0x15}));
    EXPECT_EQ(lineText(ctx.lineCount - 1), "still shown");
}

TEST_F(ResponseTest, CancelEndsAtOnceWhenNoiseComesInsteadOfARecord) {
    ctx.cancelRequested = 1;
    EXPECT_EQ(receiveWith({{{0x0D, 'x', 'x'}, 0}}), -2);
    EXPECT_TRUE(heard.empty());
}

struct BrokenCase {
    const char* name;
    std::vector<DosStep> steps;
    int code;
};

class BrokenRecordTest : public ResponseTest, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenRecordTest, EndsWithTheCodeOfTheMissingPart) {
    ctx.timeoutSetting = 1;
    EXPECT_EQ(receiveWith(GetParam().steps), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, BrokenRecordTest,
    ::testing::Values(BrokenCase{"Silence", {}, 10},
                      BrokenCase{"NothingAfterEsc", {{{0x1B}, 0}}, 20},
                      BrokenCase{"NothingAfterAck", {{ESC_R, 1}}, 31},
                      BrokenCase{"EscInsteadOfStx", {{ESC_R, 1}, {{0x1B, 'E'}, 0}}, 32},
                      BrokenCase{"HeadCut", {{ESC_R, 1}, {{0x02, 0x00, 0x05}, 0}}, 33},
                      BrokenCase{"OtherByteInsteadOfStx", {{ESC_R, 1}, {{'x'}, 0}}, 34},
                      BrokenCase{"TextCut", {{ESC_R, 1}, {{0x02, 0x00, 0x05, 0x00, 'a'}, 0}}, 38}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ResponseTest, HangUpOfTheOtherSideEndsTheCallAtOnce) {
    ctx.timeoutSetting = 1000;  // 100 s: only the hang-up can end the wait
    std::thread closer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pty.closeMaster();
    });
    EXPECT_EQ(a_ResponseFrom98(&ctx, &dc), 10);
    closer.join();
}

}  // namespace
