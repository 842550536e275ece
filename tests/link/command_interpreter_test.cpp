// From the typed line to the frame on the line, against an MS-DOS side that acknowledges.
#include "base/messages.h"
#include "link/link.h"
#include "link_fixture.h"
#include "support/report_capture.h"
#include "wire/wire_format.h"

namespace {

// The MS-DOS side's part of a frame: ACK after ESC 'C' and after the text, whatever its length.
void acknowledgeFrame(int fd, Bytes* heard) {
    Bytes got = readBytes(fd, 2);
    heard->insert(heard->end(), got.begin(), got.end());
    if (got.size() < 2) return;
    writeBytes(fd, {ACK});
    got = readBytes(fd, 4);
    heard->insert(heard->end(), got.begin(), got.end());
    if (got.size() < 4) return;
    got = readBytes(fd, k_get16(got.data() + 2));
    heard->insert(heard->end(), got.begin(), got.end());
    writeBytes(fd, {ACK});
}

// The frame as it appears on the line: the two waits are not sent.
Bytes frameOnLine(uint8_t flags, const std::string& text) {
    Bytes frame = {0x1B, 0x43, 0x02, flags, uint8_t(2 * text.size()), 0};
    for (int copy = 0; copy < 2; ++copy) frame.insert(frame.end(), text.begin(), text.end());
    return frame;
}

class InterpreterTest : public LinkFixture {
  protected:
    int interpretWithPeer() {
        ScriptedPeer dos(pty.master(), [this](int fd) { acknowledgeFrame(fd, &heard); });
        int result = a_CommandTo98(&ctx, &dc);
        dos.join();
        return result;
    }
    // For lines that must not reach the line at all.
    int interpretAlone() {
        int result = a_CommandTo98(&ctx, &dc);
        EXPECT_EQ(ctx.portOpen, 0);
        return result;
    }

    Bytes heard;
};

struct FrameCase {
    const char* name;
    std::string typed;
    int verifyOn;    // the setting
    int verifyLeft;  // what the last file command left
    uint8_t flags;
    std::string text;
    std::string dosName;
    std::string localPath;
};

class FrameTest : public InterpreterTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameTest, SendsTheFrameAndKeepsTheArguments) {
    const FrameCase& c = GetParam();
    ctx.verifyOn = c.verifyOn;
    ctx.verifyTransfer = c.verifyLeft;
    enterCommand(c.typed);
    ASSERT_EQ(interpretWithPeer(), 0);
    EXPECT_EQ(heard, frameOnLine(c.flags, c.text));
    EXPECT_EQ(ctx.getMode, (c.flags & COMMAND_GET) ? 1 : 0);
    EXPECT_EQ(ctx.putMode, (c.flags & COMMAND_PUT) ? 1 : 0);
    if (c.flags & (COMMAND_GET | COMMAND_PUT)) {
        EXPECT_EQ(std::string(ctx.dosFileName), c.dosName);
        EXPECT_EQ(std::string(ctx.transferPath), c.localPath);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FrameTest,
    ::testing::Values(
        FrameCase{"Plain", "dir /w", 0, 0, 0x00, "dir /w", "", ""},
        FrameCase{"PlainAfterVerifiedTransfer", "dir /w", 0, 1, 0x10, "dir /w", "", ""},
        FrameCase{"PlainKeepsCaseAndBlanks", "Type  A.Txt ", 0, 0, 0x00, "Type  A.Txt ", "", ""},
        FrameCase{"GetAnyCase", "#get a.txt", 0, 0, 0x80, "a.txt", "a.txt", ""},
        FrameCase{"GetVerified", "#GET a.txt c:\\work\\ /v", 0, 0, 0x90, "a.txt", "a.txt",
                  "c:\\work\\"},
        FrameCase{"GetVerifyFromSettings", "#GET a.txt", 1, 0, 0x90, "a.txt", "a.txt", ""},
        FrameCase{"GetWithoutVerifyClearsTheLastOne", "#GET a.txt", 0, 1, 0x80, "a.txt", "a.txt",
                  ""},
        FrameCase{"GetVerifyOptionOnlyAtTheEnd", "#GET /V a.txt", 0, 0, 0x80, "/V", "/V", "a.txt"},
        FrameCase{"PutWithoutDosName", "#PUT /data/x.bin", 0, 0, 0x40, "", "", "/data/x.bin"},
        FrameCase{"PutVerified", "#PUT /data/x.bin  /V  ", 0, 0, 0x50, "", "", "/data/x.bin"},
        FrameCase{"PutQuotedPath", "#PUT \"/my docs/x.txt\" x.txt", 0, 0, 0x40, "x.txt", "x.txt",
                  "/my docs/x.txt"},
        FrameCase{"PutThirdArgumentDropped", "#PUT a b c", 0, 0, 0x40, "b", "b", "a"},
        FrameCase{"KeywordGluedToName", "#GETA.TXT", 0, 0, 0x00, "#GETA.TXT", "", ""},
        FrameCase{"BlankBeforeKeyword", " #GET a.txt", 0, 0, 0x00, " #GET a.txt", "", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(InterpreterTest, VerifyOptionIsBlankedInTheConsoleLine) {
    enterCommand("#GET a.txt /v");
    ASSERT_EQ(interpretWithPeer(), 0);
    EXPECT_EQ(lineText(ctx.lineCount - 1), "MS-DOS>#GET a.txt   ");
}

struct UsageCase {
    std::string typed;
    Message purpose;
    Message usage;
};

class UsageTest : public InterpreterTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageTest, KeywordAloneShowsTwoLinesAndSendsNothing) {
    enterCommand(GetParam().typed);
    int before = ctx.lineCount;
    EXPECT_EQ(interpretAlone(), -2);
    ASSERT_EQ(ctx.lineCount, before + 2);
    EXPECT_STREQ(ctx.lines[before].text, k_message(GetParam().purpose));
    EXPECT_STREQ(ctx.lines[before + 1].text, k_message(GetParam().usage));
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, UsageTest,
    ::testing::Values(UsageCase{"#get", Message::GetPurpose, Message::GetUsage},
                      UsageCase{"#PuT", Message::PutPurpose, Message::PutUsage}));

struct RefusalCase {
    const char* name;
    std::string typed;
    int result;
};

class RefusalTest : public InterpreterTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, FailsWithTheCodeAndShowsNothing) {
    enterCommand(GetParam().typed);
    int before = ctx.lineCount;
    EXPECT_EQ(interpretAlone(), GetParam().result);
    EXPECT_EQ(ctx.lineCount, before);
}

INSTANTIATE_TEST_SUITE_P(Codes, RefusalTest,
                         ::testing::Values(RefusalCase{"GetBlanksOnly", "#GET    ", 0x00780000},
                                           RefusalCase{"GetOnlyQuotes", "#GET \"\"", 0x00780000},
                                           RefusalCase{"PutBlanksOnly", "#PUT  ", 0x00820000},
                                           RefusalCase{"PutVerifyOnly", "#PUT /v", 0x00820000},
                                           RefusalCase{"PutDirectory", "#PUT /data/", 0x00840000},
                                           RefusalCase{"PutRoot", "#PUT /", 0x00840000},
                                           RefusalCase{"NothingTyped", "", 0x00690000}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(InterpreterTest, UsageAndRefusalsAreReportedUnshifted) {
    ReportCapture capture;
    enterCommand("#GET");
    interpretAlone();
    enterCommand("#PUT  ");
    interpretAlone();
    auto reports = capture.from("a_CommandTo98");
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].first, -2);
    EXPECT_EQ(reports[1].first, 130);
}

TEST_F(InterpreterTest, NewestLineMustBeACommandLine) {
    EXPECT_EQ(interpretAlone(), 0x00670000);  // the start-up prompt line
    ctx.lineCount = 0;
    EXPECT_EQ(interpretAlone(), 0x00650000);
}

TEST_F(InterpreterTest, ScreenClearSendsClsAndRepaintsTheWindow) {
    ctx.clearScreenPending = 1;
    ctx.inputLength = 3;
    std::snprintf(ctx.inputLine, sizeof ctx.inputLine, "cls");
    ASSERT_EQ(interpretWithPeer(), 0);
    EXPECT_EQ(heard, frameOnLine(0, "!cls"));
    EXPECT_EQ(dc.invalidations, 1);
    EXPECT_EQ(ctx.clearScreenPending, 1);
    EXPECT_EQ(ctx.inputLength, 0);
    EXPECT_EQ(ctx.inputLine[0], '\0');
}

TEST_F(InterpreterTest, FailedScreenClearStillRepaintsAndDropsThePendingClear) {
    std::snprintf(ctx.portPaths[1], PORT_PATH_MAX, "/dev/velmo-no-such-port");
    ctx.clearScreenPending = 1;
    EXPECT_EQ(a_CommandTo98(&ctx, &dc), 0x0100000A);
    EXPECT_EQ(dc.invalidations, 1);
    EXPECT_EQ(ctx.clearScreenPending, 0);
}

TEST_F(InterpreterTest, UnansweredFrameGivesTheSendErrorOfATimeout) {
    ctx.timeoutSetting = 1;
    enterCommand("dir");
    EXPECT_EQ(a_CommandTo98(&ctx, &dc), 0x0100001E);
}

}  // namespace
