// The poll-timer driver running whole commands: typed through the line editor, ticked like the
// window's timer, against the MS-DOS side played over a pseudo-terminal.
#include "driver/driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/messages.h"
#include "base/view_host.h"
#include "console/line_editor.h"
#include "console/link_context.h"
#include "link/transfer_io.h"
#include "support/dos_machine.h"
#include "support/fixed_clock.h"
#include "support/pty_pair.h"
#include "support/recording_host.h"
#include "support/temp_working_directory.h"
#include "wire/wire_format.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// The MS-DOS side's part of the command frame: ACK both halves, return the command text.
std::string acceptCommand(int fd) {
    if (readBytes(fd, 2).size() != 2) return "";
    writeBytes(fd, Bytes{ACK});
    Bytes head = readBytes(fd, 4);
    if (head.size() != 4) return "";
    Bytes text = readBytes(fd, k_get16(&head[2]));
    writeBytes(fd, Bytes{ACK});
    return std::string(text.begin(), text.begin() + long(text.size() / 2));
}

// Sends one record after ESC 'R' and returns velmo's answer to it (ACK or NAK).
uint8_t sendRecord(int fd, bool prompt, const std::string& text) {
    writeBytes(fd, Bytes{ESC, 'R'});
    if (readBytes(fd, 1).empty()) return 0;
    uint8_t record[TEXT_RECORD_MAX + 4];
    writeBytes(fd, record, k_text_record(record, prompt, text.data(), text.size()));
    Bytes answer = readBytes(fd, 1);
    return answer.empty() ? 0 : answer[0];
}

void endAnswer(int fd) {
    writeBytes(fd, Bytes{ESC, 'E'});
}

class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        a_ContextDefaults(ctx);
        pty.connect(ctx);
        ctx->statusBar = &host;
    }
    void TearDown() override { a_closePort(ctx); }

    void enter(const std::string& line) {
        for (unsigned char c : line) a_editChar(ctx, &host, c);
        a_editChar(ctx, &host, 13);
    }

    // Ticks like the window's timer until the command ends; returns how it ended.
    CommandEnd runToEnd() {
        CommandEnd end = CommandEnd::Running;
        for (int tick = 0; tick < 10000 && end == CommandEnd::Running && host.timerSet; tick++) {
            EXPECT_TRUE(a_driverTick(ctx, &host, host.timerId, &end));
        }
        return end;
    }

    std::string lineText(int index) const {
        return std::string(ctx->lines[index].text, size_t(ctx->lines[index].length));
    }
    std::vector<std::string> console() const {
        std::vector<std::string> lines;
        for (int i = 0; i < ctx->lineCount; i++) lines.push_back(lineText(i));
        return lines;
    }
    int countLinesStartingWith(const std::string& start) const {
        int count = 0;
        for (const std::string& line : console()) count += line.rfind(start, 0) == 0;
        return count;
    }

    void expectIdleAtPrompt() {
        EXPECT_EQ(ctx->linkActive, 0);
        EXPECT_EQ(ctx->cancelRequested, 0);
        EXPECT_FALSE(host.timerSet);
        EXPECT_EQ(host.panes[0], LINK_SLEEP_TEXT);
        EXPECT_EQ(ctx->lines[ctx->lineCount - 1].state, LINE_PROMPT);
        EXPECT_EQ(lineText(ctx->lineCount - 1), ctx->promptText);
        EXPECT_EQ(ctx->caretVisible, 1);
        EXPECT_EQ(host.caretX, int(std::string(ctx->promptText).size()) * ctx->charWidth);
        EXPECT_EQ(host.caretY, (ctx->lineCount + 1) * ctx->lineHeight - ctx->caretHeight);
        EXPECT_EQ(host.surfacesHeld, 0);
        EXPECT_EQ(host.surface.fontSelects, host.surface.fontReleases);
    }

    std::unique_ptr<LinkContext> owner = std::make_unique<LinkContext>();
    LinkContext* ctx = owner.get();
    RecordingHost host;
    PtyPair pty;
    FixedClock clock{{2024, 5, 6, 7, 8, 9}};
};

TEST_F(DriverTest, TextCommandEndsWithThePromptFromTheOtherSide) {
    std::string received;
    ScriptedPeer dos(pty.master(), [&](int fd) {
        received = acceptCommand(fd);
        sendRecord(fd, false, " Volume in drive A has no label");
        sendRecord(fd, true, "A:\\>");
        endAnswer(fd);
    });
    enter("dir");
    EXPECT_EQ(runToEnd(), CommandEnd::Normal);
    dos.join();

    EXPECT_EQ(received, "dir");
    EXPECT_EQ(console(),
              (std::vector<std::string>{"MS-DOS>dir", " Volume in drive A has no label", "A:\\>"}));
    expectIdleAtPrompt();
    EXPECT_EQ(ctx->portOpen, 1) << "a normal end keeps the port for the next command";
}

TEST_F(DriverTest, TextCommandAndTransferAgainstVelmoDosEndAtItsPrompt) {
    k_set_clock(nullptr);  // the transfer's rate needs time to pass
    DosMachine dos;
    dos.writeFile("A.TXT", std::string(6000, 'x') + "\r\n");
    dos.connect(ctx);
    TempWorkingDirectory here;

    enter("ver");
    EXPECT_EQ(runToEnd(), CommandEnd::Normal);
    expectIdleAtPrompt();
    EXPECT_STREQ(ctx->promptText, "A:\\>");

    int linesBefore = ctx->lineCount;
    enter("#GET A.TXT");
    EXPECT_EQ(runToEnd(), CommandEnd::Normal);
    expectIdleAtPrompt();
    EXPECT_EQ(ctx->portOpen, 1);
    std::ifstream copied(here.path() / "A.TXT", std::ios::binary);
    std::stringstream bytes;
    bytes << copied.rdbuf();
    EXPECT_EQ(bytes.str(), dos.readFile("A.TXT"));
    // The command line, the transfer's start and end lines, and the driver's prompt.
    EXPECT_EQ(ctx->lineCount, linesBefore + 3);
    EXPECT_EQ(countLinesStartingWith("*RS-232C"), 0);
    // Between the two state texts, the progress line.
    const std::vector<std::string>& states = host.paneHistory[0];
    ASSERT_GE(states.size(), 3u);
    EXPECT_EQ(states.back(), LINK_SLEEP_TEXT);
    EXPECT_EQ(states[states.size() - 2].rfind("[A.TXT]", 0), 0u) << states[states.size() - 2];
}

TEST_F(DriverTest, UsageTextGivesNoErrorLineAndClosesAPortLeftOpen) {
    ASSERT_EQ(k_link_open(ctx), 0);
    ctx->portOpen = 1;
    enter("#get");
    EXPECT_EQ(runToEnd(), CommandEnd::Usage);

    EXPECT_EQ(console(), (std::vector<std::string>{"MS-DOS>#get", k_message(Message::GetPurpose),
                                                   k_message(Message::GetUsage), "MS-DOS>"}));
    expectIdleAtPrompt();
    EXPECT_EQ(ctx->portOpen, 0);
    EXPECT_EQ(ctx->portHandle, PORT_NONE);
    // Both usage lines were painted, the second by the driver's redraw.
    EXPECT_EQ(host.surface.rowAt(3 * 16), k_message(Message::GetUsage));
}

TEST_F(DriverTest, PortThatCannotBeOpenedGivesOneErrorLineAndIsTriedAgain) {
    std::snprintf(ctx->portPaths[1], sizeof ctx->portPaths[1], "/nonexistent/velmo-tty");
    enter("dir");
    EXPECT_EQ(runToEnd(), CommandEnd::Failed);

    std::vector<std::string> lines = console();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "MS-DOS>dir");
    EXPECT_EQ(lines[1], "*RS-232C Send-error, code=0x0100000A  2024/05/06 07:08:09");
    EXPECT_EQ(lines[2],
              "*/nonexistent/velmo-tty: no such device (check the COMn= line of "
              "PRM232C.TXT)");
    expectIdleAtPrompt();
    EXPECT_EQ(ctx->portOpen, 0);

    enter("dir");
    EXPECT_EQ(runToEnd(), CommandEnd::Failed);
    EXPECT_EQ(countLinesStartingWith("*RS-232C Send-error"), 2);
}

TEST_F(DriverTest, LongExplanationIsWrappedNotCut) {
    std::string path = "/nonexistent/" + std::string(60, 'x');
    std::snprintf(ctx->portPaths[1], sizeof ctx->portPaths[1], "%s", path.c_str());
    enter("dir");
    EXPECT_EQ(runToEnd(), CommandEnd::Failed);
    std::vector<std::string> lines = console();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "*" + path + ": no");
    EXPECT_EQ(lines[3], "*such device (check the COMn= line of PRM232C.TXT)");
}

TEST_F(DriverTest, CancelDuringTextCommandShowsNoticeAndOnePrompt) {
    std::vector<uint8_t> answers;
    ScriptedPeer dos(pty.master(), [&](int fd) {
        acceptCommand(fd);
        for (int i = 0; i < 6; i++) answers.push_back(sendRecord(fd, false, "line"));
        answers.push_back(sendRecord(fd, true, "A:\\>"));
        endAnswer(fd);
    });
    enter("type big.txt");
    EXPECT_TRUE(a_canCancel(ctx));
    EXPECT_FALSE(a_canChangePort(ctx));
    CommandEnd end = CommandEnd::Running;
    ASSERT_TRUE(a_driverTick(ctx, &host, POLL_TIMER_ID, &end));
    ASSERT_EQ(end, CommandEnd::Running) << "five records per tick, the rest on later ticks";

    a_cancelCommand(ctx);
    EXPECT_EQ(ctx->cancelRequested, 1);
    EXPECT_FALSE(a_canCancel(ctx)) << "not offered again until the next command";
    EXPECT_EQ(runToEnd(), CommandEnd::Cancelled);
    dos.join();

    EXPECT_EQ(answers, (std::vector<uint8_t>{ACK, ACK, ACK, ACK, ACK, NAK, NAK}));
    std::vector<std::string> lines = console();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], k_message(Message::Cancelled));
    EXPECT_EQ(countLinesStartingWith("*RS-232C"), 0);
    expectIdleAtPrompt();
    EXPECT_EQ(ctx->portOpen, 0);
    EXPECT_TRUE(a_canChangePort(ctx));
}

// The window's Cancel chosen while a tick waits on the line: taken in the wait's idle call,
// which cuts the wait short. Set by the test, read on the ticking thread.
std::atomic<bool> cancelChosen{false};
std::atomic<bool> waitCut{false};
LinkContext* waitingContext = nullptr;

void takeCancelInTheWait() {
    if (!cancelChosen || waitCut) return;
    a_cancelCommand(waitingContext);
    waitingContext->ioOverlapped.cutWait = 1;
    waitCut = true;
}

// The far end goes on with its answer after the cancel; what it still sends must not be taken
// for the answer to the next command.
TEST_F(DriverTest, ACancelledAnswersTailStaysOutOfTheNextCommand) {
    TempWorkingDirectory here;  // the cut wait is reported: settings and log stay in here
    cancelChosen = false;
    waitCut = false;
    waitingContext = ctx;
    ctx->ioOverlapped.waitIdle = takeCancelInTheWait;
    std::string second;
    ScriptedPeer dos(pty.master(), [&](int fd) {
        acceptCommand(fd);
        sendRecord(fd, false, "first line");
        cancelChosen = true;
        for (int i = 0; i < 50 && !waitCut; i++) std::this_thread::sleep_for(10ms);
        // Records at a slow line's pace, none answered, for longer than closing the port and
        // starting the next command take.
        uint8_t record[TEXT_RECORD_MAX + 4];
        for (int i = 0; i < 8; i++) {
            writeBytes(fd, Bytes{ESC, 'R'});
            writeBytes(fd, record, k_text_record(record, false, "tail line", 9));
            std::this_thread::sleep_for(30ms);
        }
        second = acceptCommand(fd);
        sendRecord(fd, true, "A:\\>");
        endAnswer(fd);
    });
    enter("type big.txt");
    EXPECT_EQ(runToEnd(), CommandEnd::Cancelled);
    EXPECT_TRUE(waitCut) << "the cancel came in a wait on the line";
    const int firstLines = ctx->lineCount - 1;  // the prompt becomes the next command line

    enter("ver");
    EXPECT_EQ(runToEnd(), CommandEnd::Normal);
    dos.join();
    EXPECT_EQ(second, "ver");
    const std::vector<std::string> lines = console();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + firstLines, lines.end()),
              (std::vector<std::string>{"MS-DOS>ver", "A:\\>"}));
    expectIdleAtPrompt();
}

TEST_F(DriverTest, TickWithoutSurfaceKeepsTheCommandAliveAndSendsLater) {
    std::string received;
    ScriptedPeer dos(pty.master(), [&](int fd) {
        received = acceptCommand(fd);
        sendRecord(fd, true, "A:\\>");
        endAnswer(fd);
    });
    enter("ver");
    host.surfaceAvailable = false;
    ASSERT_TRUE(a_driverTick(ctx, &host, POLL_TIMER_ID));
    EXPECT_TRUE(host.timerSet) << "a busy command must keep its timer";
    EXPECT_EQ(ctx->timerArmed, 1);
    EXPECT_EQ(ctx->tickCount, 0);

    host.surfaceAvailable = true;
    EXPECT_EQ(runToEnd(), CommandEnd::Normal);
    dos.join();
    EXPECT_EQ(received, "ver");
    expectIdleAtPrompt();
}

TEST_F(DriverTest, TickCounterSaturates) {
    for (int start : {INT_MAX - 1, INT_MAX}) {
        ctx->tickCount = start;
        ctx->timerArmed = 1;
        ASSERT_TRUE(a_driverTick(ctx, &host, POLL_TIMER_ID));
        EXPECT_EQ(ctx->tickCount, INT_MAX);
    }
}

struct ForeignTick {
    const char* name;
    int timerId;
    int timerArmed;
};

class ForeignTickTest : public DriverTest, public ::testing::WithParamInterface<ForeignTick> {};

TEST_P(ForeignTickTest, DoesNothing) {
    ctx->linkActive = 1;
    ctx->timerArmed = GetParam().timerArmed;
    ctx->caretVisible = 1;
    EXPECT_FALSE(a_driverTick(ctx, &host, GetParam().timerId));
    EXPECT_EQ(ctx->tickCount, 0);
    EXPECT_EQ(ctx->timerArmed, GetParam().timerArmed);
    EXPECT_EQ(host.timerKills, 0);
    EXPECT_EQ(host.caretHides, 0);
    EXPECT_EQ(host.surface.fontSelects, 0);
}

INSTANTIATE_TEST_SUITE_P(Ticks, ForeignTickTest,
                         ::testing::Values(ForeignTick{"OtherId", POLL_TIMER_ID + 1, 1},
                                           ForeignTick{"NotArmed", POLL_TIMER_ID, 0}),
                         [](const auto& row) { return std::string(row.param.name); });

struct CancelState {
    int linkActive;
    int cancelRequested;
    bool offered;
};

class CancelOffer : public DriverTest, public ::testing::WithParamInterface<CancelState> {};

TEST_P(CancelOffer, OnlyWhileBusyAndNotYetCancelled) {
    ctx->linkActive = GetParam().linkActive;
    ctx->cancelRequested = GetParam().cancelRequested;
    EXPECT_EQ(a_canCancel(ctx), GetParam().offered);
    EXPECT_EQ(a_canChangePort(ctx), GetParam().linkActive == 0);
    a_cancelCommand(ctx);
    EXPECT_EQ(ctx->cancelRequested, GetParam().offered ? 1 : GetParam().cancelRequested);
}

INSTANTIATE_TEST_SUITE_P(States, CancelOffer,
                         ::testing::Values(CancelState{0, 0, false}, CancelState{1, 0, true},
                                           CancelState{1, 1, false}));

}  // namespace
