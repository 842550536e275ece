#include "console/line_editor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/view_host.h"
#include "console/link_context.h"
#include "support/recording_host.h"

namespace {

constexpr int ENTER = 13;

class LineEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        a_ContextDefaults(ctx);
        ctx->statusBar = &host;
    }

    void type(const std::string& text) {
        for (unsigned char c : text) a_editChar(ctx, &host, c);
    }
    void key(int virtualKey) { a_editKeyDown(ctx, &host, virtualKey); }
    std::string line() const { return std::string(ctx->inputLine, size_t(ctx->inputLength)); }

    // Enters a line and lets the command end at once, as the driver would.
    void enterAndFinish(const std::string& text) {
        type(text);
        a_editChar(ctx, &host, ENTER);
        ASSERT_EQ(ctx->linkActive, 1) << text;
        ctx->linkActive = 0;
        ctx->timerArmed = 0;
    }

    std::unique_ptr<LinkContext> owner = std::make_unique<LinkContext>();
    LinkContext* ctx = owner.get();
    RecordingHost host;
};

// A key sequence: characters as they are, cursor-block keys as their negated virtual key.
struct EditCase {
    const char* name;
    std::vector<int> keys;
    const char* line;
    int cursor;
};

std::vector<int> chars(const std::string& text) {
    std::vector<int> keys;
    for (unsigned char c : text) keys.push_back(c);
    return keys;
}

std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const EditCase EDIT_CASES[] = {
    {"AppendAtEnd", chars("dir"), "dir", 3},
    {"InsertInside", chars("dr") + std::vector<int>{-VK_LEFT} + chars("i"), "dir", 2},
    {"OverwriteInside",
     chars("abcd") + std::vector<int>{-VK_LEFT, -VK_LEFT, -VK_INSERT} + chars("XY"), "abXY", 4},
    {"OverwriteAppendsAtEnd", chars("ab") + std::vector<int>{-VK_INSERT} + chars("cd"), "abcd", 4},
    {"BackspaceAtEnd", chars("abc") + std::vector<int>{8}, "ab", 2},
    {"BackspaceInside", chars("abc") + std::vector<int>{-VK_LEFT, 8}, "ac", 1},
    {"BackspaceAtColumnZero", chars("abc") + std::vector<int>{-VK_LEFT, -VK_LEFT, -VK_LEFT, 8},
     "abc", 0},
    {"DeleteInside", chars("abc") + std::vector<int>{-VK_LEFT, -VK_LEFT, -VK_DELETE}, "ac", 1},
    {"DeleteAtEnd", chars("abc") + std::vector<int>{-VK_DELETE}, "abc", 3},
    {"LeftStopsAtZero", chars("a") + std::vector<int>{-VK_LEFT, -VK_LEFT}, "a", 0},
    {"RightStopsAtEnd", chars("ab") + std::vector<int>{-VK_LEFT, -VK_RIGHT, -VK_RIGHT}, "ab", 2},
    {"EscapeClears", chars("abc") + std::vector<int>{27}, "", 0},
    {"TabEditsNothing", chars("ab") + std::vector<int>{9}, "ab", 2},
    {"ControlBytesInserted", std::vector<int>{1, 0x1F, 0x7F}, "\x01\x1F\x7F", 3},
    {"DoubleByteTakesTwoPositions", chars("\x83\x41") + std::vector<int>{8}, "\x83", 1},
    {"NulRefused", std::vector<int>{'a', 0, 'b'}, "ab", 2},
    {"DownWhileNotBrowsingClears", chars("abc") + std::vector<int>{-VK_DOWN}, "", 0},
    {"UpWithEmptyHistoryClears", chars("abc") + std::vector<int>{-VK_UP}, "", 0},
};

class LineEditing : public LineEditorTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(LineEditing, LeavesLineAndCursor) {
    for (int k : GetParam().keys) {
        if (k < 0) {
            key(-k);
        } else {
            a_editChar(ctx, &host, k);
        }
    }
    EXPECT_EQ(line(), GetParam().line);
    EXPECT_EQ(ctx->cursorColumn, GetParam().cursor);
    EXPECT_EQ(ctx->inputLine[ctx->inputLength], '\0');
    EXPECT_EQ(ctx->linkActive, 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, LineEditing, ::testing::ValuesIn(EDIT_CASES),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(LineEditorTest, FullLineRefusesMoreAndConsoleKeepsSeventyThree) {
    std::string typed;
    for (int i = 0; i < 512; i++) typed += char('a' + i % 26);
    type(typed);
    ASSERT_EQ(ctx->inputLength, 511);
    EXPECT_EQ(line(), typed.substr(0, 511));

    a_editChar(ctx, &host, ENTER);
    const ConsoleLine& command = ctx->lines[0];
    EXPECT_EQ(ctx->lineCount, 1);
    EXPECT_EQ(command.state, LINE_COMMAND);
    EXPECT_EQ(std::string(command.text, size_t(command.length)), "MS-DOS>" + typed.substr(0, 73));
    // The history keeps the whole line.
    EXPECT_EQ(std::string(ctx->history[0].text), typed.substr(0, 511));
}

TEST_F(LineEditorTest, HistoryBrowsesThreeLinesAndStopsAtTheOldest) {
    enterAndFinish("one");
    enterAndFinish("two");
    enterAndFinish("three");

    const char* upwards[] = {"three", "two", "one", "one"};
    for (const char* expected : upwards) {
        key(VK_UP);
        EXPECT_EQ(line(), expected);
        EXPECT_EQ(ctx->cursorColumn, ctx->inputLength);
    }
    key(VK_DOWN);
    EXPECT_EQ(line(), "two");
    key(VK_DOWN);
    EXPECT_EQ(line(), "three");
    key(VK_DOWN);
    EXPECT_EQ(line(), "");
    EXPECT_EQ(ctx->historyIndex, 0);
}

TEST_F(LineEditorTest, RecallReplacesTypedText) {
    enterAndFinish("dir");
    type("something longer");
    key(VK_UP);
    EXPECT_EQ(line(), "dir");
    EXPECT_EQ(ctx->inputLine[3], '\0');
}

TEST_F(LineEditorTest, TwentyFifthLinePushesTheOldestOut) {
    for (int i = 1; i <= 25; i++) enterAndFinish("line" + std::to_string(i));
    EXPECT_STREQ(ctx->history[0].text, "line25");
    EXPECT_STREQ(ctx->history[HISTORY_ENTRIES - 1].text, "line2");
    for (int i = 0; i < HISTORY_ENTRIES + 1; i++) key(VK_UP);
    EXPECT_EQ(line(), "line2");
}

TEST_F(LineEditorTest, EnterOnEmptyLineStartsNothing) {
    a_editChar(ctx, &host, ENTER);
    EXPECT_EQ(ctx->linkActive, 0);
    EXPECT_EQ(ctx->history[0].used, 0);
    EXPECT_FALSE(host.timerSet);
    EXPECT_EQ(ctx->lines[0].state, LINE_PROMPT);
}

// Enter hands the command to the driver also on a tick the window had no surface for.
struct EnterCase {
    const char* name;
    bool surfaceAvailable;
    const char* command;
    int clearScreenPending;  // the typed cls must still clear the console
};

class EnterHandsOver : public LineEditorTest, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(EnterHandsOver, TheCommandToTheDriver) {
    const EnterCase& row = GetParam();
    host.surfaceAvailable = row.surfaceAvailable;
    ctx->getMode = 1;
    ctx->putMode = 1;
    ctx->tickCount = 99;
    ctx->caretVisible = 1;
    type(row.command);
    a_editChar(ctx, &host, ENTER);

    EXPECT_EQ(ctx->linkActive, 1);
    EXPECT_EQ(ctx->timerArmed, 1);
    EXPECT_TRUE(host.timerSet);
    EXPECT_EQ(host.timerId, POLL_TIMER_ID);
    EXPECT_EQ(host.timerPeriod, 1);
    EXPECT_EQ(host.panes[0], LINK_ACTIVE_TEXT);
    EXPECT_EQ(ctx->tickCount, 0);
    EXPECT_EQ(ctx->getMode, 0);
    EXPECT_EQ(ctx->putMode, 0);
    EXPECT_EQ(ctx->caretVisible, 0) << "the caret stays hidden while the command runs";
    EXPECT_EQ(ctx->clearScreenPending, row.clearScreenPending);
    EXPECT_EQ(line(), "");
    EXPECT_EQ(ctx->lineCount, 1);
    EXPECT_EQ(host.surface.rowAt(16),
              row.surfaceAvailable ? "MS-DOS>" + std::string(row.command) : "");
    EXPECT_EQ(host.surfacesHeld, 0);
}

INSTANTIATE_TEST_SUITE_P(Surfaces, EnterHandsOver,
                         ::testing::Values(EnterCase{"WithSurface", true, "dir", 0},
                                           EnterCase{"WithoutSurface", false, "cls", 1}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(LineEditorTest, BusyRefusesKeysButInsertStillFlips) {
    type("ab");
    ctx->linkActive = 1;
    int drawnBefore = int(host.surface.drawn.size());

    type("x");
    a_editChar(ctx, &host, 8);
    a_editChar(ctx, &host, ENTER);
    key(VK_LEFT);
    key(VK_UP);
    EXPECT_EQ(line(), "ab");
    EXPECT_EQ(ctx->cursorColumn, 2);
    EXPECT_EQ(ctx->cursorKeyPending, 0);
    EXPECT_EQ(ctx->historyKeyPending, 0);
    EXPECT_EQ(int(host.surface.drawn.size()), drawnBefore);

    key(VK_INSERT);
    EXPECT_EQ(ctx->insertMode, 0);
    EXPECT_EQ(host.panes[1], "   ");
    key(VK_INSERT);
    EXPECT_EQ(ctx->insertMode, 1);
    EXPECT_EQ(host.panes[1], "INS");
}

TEST_F(LineEditorTest, DrawsInputAfterPromptAndPlacesCaret) {
    type("abc");
    a_editChar(ctx, &host, 8);
    // Row of the newest console line; the shortened line was blanked first.
    EXPECT_EQ(host.surface.rowAt(16), std::string(7, ' ') + "ab");
    EXPECT_EQ(host.surface.drawn.back().text, "ab");
    EXPECT_EQ(host.surface.drawn[host.surface.drawn.size() - 2].text, std::string(511, ' '));
    EXPECT_EQ(host.caretX, (7 + 2) * 8);
    EXPECT_EQ(host.caretY, 2 * 16 - 1);
    EXPECT_EQ(ctx->caretVisible, 1);
    EXPECT_EQ(host.caretShows - host.caretHides, 1);
}

TEST_F(LineEditorTest, WithoutSurfaceEditsButDrawsNothing) {
    host.surfaceAvailable = false;
    type("ab");
    key(VK_LEFT);
    EXPECT_EQ(line(), "ab");
    EXPECT_EQ(ctx->cursorColumn, 1);
    EXPECT_EQ(host.caretX, -1);
    EXPECT_TRUE(host.surface.drawn.empty());
}

}  // namespace
