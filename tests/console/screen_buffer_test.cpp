#include "console/screen_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/view_host.h"
#include "console/link_context.h"
#include "support/recording_surface.h"
#include "support/temp_working_directory.h"

namespace {

class RecordingObserver : public ConsoleObserver {
  public:
    void lineAppended(int index) override {
        appended.push_back(index);
        states.push_back(ctx->lines[index].state);
    }
    void consoleCleared() override { clears++; }

    const LinkContext* ctx = nullptr;
    std::vector<int> appended;
    std::vector<int> states;  // of each line as it was announced
    int clears = 0;
};

class ScreenBufferTest : public ::testing::Test {
  protected:
    ScreenBufferTest() : ctx(std::make_unique<LinkContext>()) {
        a_ContextDefaults(ctx.get());
        ctx->consoleObserver = &observer;
        observer.ctx = ctx.get();
    }

    void redraw() { a_editRedraw(ctx.get(), 0, ctx->lineHeight, &surface); }
    std::string row(int i) const { return surface.rowAt((i + 1) * ctx->lineHeight); }

    void enter(const std::string& typed) {
        std::memset(ctx->inputLine, 0, sizeof ctx->inputLine);
        std::memcpy(ctx->inputLine, typed.data(), typed.size());
        ctx->inputLength = static_cast<int>(typed.size());
        ASSERT_EQ(a_editBuf_InToOut(ctx.get()), 0);
    }

    const ConsoleLine& newest() const { return ctx->lines[ctx->lineCount - 1]; }

    TempWorkingDirectory directory;  // the reporter looks for its configuration here
    std::unique_ptr<LinkContext> ctx;
    RecordingObserver observer;
    RecordingSurface surface;
};

TEST_F(ScreenBufferTest, RowsArePaintedWholeBelowTheCaptionRow) {
    ctx->lineHeight = 20;
    ctx->fullRedraw = 1;
    ASSERT_EQ(a_editOutBuf(ctx.get(), "A>dir"), 0);
    redraw();

    ASSERT_EQ(surface.drawn.size(), 24u);
    for (int i = 0; i < CONSOLE_LINES; i++) {
        EXPECT_EQ(surface.drawn[i].x, 0);
        EXPECT_EQ(surface.drawn[i].y, (i + 1) * 20);
        EXPECT_EQ(surface.drawn[i].text.size(), 84u);
    }
    EXPECT_EQ(surface.drawn[0].text, "MS-DOS>" + std::string(77, ' '));
    EXPECT_EQ(surface.drawn[1].text, "A>dir" + std::string(79, ' '));
    EXPECT_EQ(surface.drawn[2].text, std::string(84, ' '));
}

TEST_F(ScreenBufferTest, RedrawPaintsTheNewestLineAndTheRowsBelow) {
    a_editOutBuf(ctx.get(), "one");
    a_editOutBuf(ctx.get(), "two");
    redraw();
    ASSERT_EQ(surface.drawn.size(), 22u);  // rows 2 to 23
    EXPECT_EQ(surface.drawn[0].y, 3 * ctx->lineHeight);
    EXPECT_EQ(row(2), "two");

    surface.clear();
    redraw();  // nothing changed since
    EXPECT_TRUE(surface.drawn.empty());
}

TEST_F(ScreenBufferTest, TwentyFifthLineScrollsAndRepaintsEveryRow) {
    for (int i = 1; i <= 23; i++) a_editOutBuf(ctx.get(), ("line " + std::to_string(i)).c_str());
    redraw();
    ASSERT_EQ(ctx->lineCount, 24);
    EXPECT_EQ(ctx->fullRedraw, 0);

    surface.clear();
    ASSERT_EQ(a_editOutBuf(ctx.get(), "line 24"), 0);
    EXPECT_EQ(ctx->lineCount, 24);
    EXPECT_EQ(ctx->fullRedraw, 1);
    EXPECT_EQ(observer.appended.back(), 23);
    redraw();

    EXPECT_EQ(ctx->fullRedraw, 0);
    ASSERT_EQ(surface.drawn.size(), 24u);
    for (int i = 0; i < CONSOLE_LINES; i++) EXPECT_EQ(row(i), "line " + std::to_string(i + 1));
}

TEST_F(ScreenBufferTest, ScrollDropsTheOldestLineAndEmptiesTheLast) {
    a_editOutBuf(ctx.get(), "output");
    a_editScrollUp(ctx.get());
    EXPECT_EQ(ctx->lineCount, 1);
    EXPECT_STREQ(ctx->lines[0].text, "output");
    EXPECT_EQ(ctx->lines[1].state, LINE_EMPTY);
    EXPECT_EQ(ctx->lines[1].length, 0);
    EXPECT_EQ(ctx->lines[1].text[0], '\0');

    a_editScrollUp(ctx.get());  // the last line stays
    EXPECT_EQ(ctx->lineCount, 1);
    EXPECT_STREQ(ctx->lines[0].text, "output");
}

TEST_F(ScreenBufferTest, OutputLinesAreCutAtEightyCharacters) {
    ASSERT_EQ(a_editOutBuf(ctx.get(), std::string(80, 'a').c_str()), 0);
    EXPECT_EQ(newest().length, 80);
    EXPECT_EQ(std::string(newest().text), std::string(80, 'a'));
    EXPECT_EQ(newest().state, LINE_OUTPUT);

    ASSERT_EQ(a_editOutBuf(ctx.get(), (std::string(80, 'b') + "c").c_str()), 0);
    EXPECT_EQ(newest().length, 80);
    EXPECT_EQ(std::string(newest().text), std::string(80, 'b'));
}

TEST_F(ScreenBufferTest, EmptyTextOrInputChangesNothing) {
    a_editOutBuf(ctx.get(), "kept");
    auto before = std::make_unique<LinkContext>(*ctx);

    EXPECT_EQ(a_editOutBuf(ctx.get(), ""), 10);
    EXPECT_EQ(a_editBuf_InToOut(ctx.get()), 10);
    EXPECT_EQ(std::memcmp(ctx.get(), before.get(), sizeof(LinkContext)), 0);
    EXPECT_EQ(observer.appended.size(), 1u);
}

TEST_F(ScreenBufferTest, EnteredLineReplacesThePrompt) {
    enter("dir /w");
    EXPECT_EQ(ctx->lineCount, 1);
    EXPECT_EQ(newest().state, LINE_COMMAND);
    EXPECT_STREQ(newest().text, "MS-DOS>dir /w");
    EXPECT_EQ(newest().length, 13);
    EXPECT_STREQ(ctx->inputLine, "dir /w");  // the key handler empties it, not this
    EXPECT_EQ(observer.appended, std::vector<int>{0});
}

TEST_F(ScreenBufferTest, EnteredLineAfterOutputIsAppended) {
    a_editOutBuf(ctx.get(), "no prompt below");
    enter("ver");
    EXPECT_EQ(ctx->lineCount, 3);
    EXPECT_STREQ(newest().text, "MS-DOS>ver");
}

TEST_F(ScreenBufferTest, EnteredLineKeepsWhatFitsAfterThePrompt) {
    enter(std::string(100, 'x'));
    EXPECT_EQ(newest().length, 80);
    EXPECT_EQ(std::string(newest().text), "MS-DOS>" + std::string(73, 'x'));
}

TEST_F(ScreenBufferTest, OverlongPromptLeavesNoRoomButStaysInTheLine) {
    std::memset(ctx->promptText, 'p', sizeof ctx->promptText - 1);
    enter("dir");
    EXPECT_EQ(newest().length, 80);
    EXPECT_EQ(std::string(newest().text), std::string(80, 'p'));
}

TEST_F(ScreenBufferTest, TrailingSpacesOfACommandAreTrimmedByTheRedraw) {
    enter("type a.txt   ");
    redraw();
    EXPECT_EQ(newest().length, 17);
    EXPECT_STREQ(newest().text, "MS-DOS>type a.txt");
    EXPECT_EQ(row(0), "MS-DOS>type a.txt");
}

struct ClearCase {
    const char* name;
    const char* typed;
    bool clears;
};

class TypedClearTest : public ScreenBufferTest, public ::testing::WithParamInterface<ClearCase> {};

TEST_P(TypedClearTest, ClearsOnlyTheThreeLetters) {
    a_editOutBuf(ctx.get(), "earlier output");
    a_editPrompt(ctx.get());
    enter(GetParam().typed);
    redraw();

    if (GetParam().clears) {
        EXPECT_EQ(ctx->clearScreenPending, 1);
        EXPECT_EQ(ctx->lineCount, 1);
        EXPECT_EQ(ctx->lines[0].state, LINE_PROMPT);
        EXPECT_EQ(ctx->lines[0].length, 7);
        EXPECT_STREQ(ctx->lines[0].text, "MS-DOS>");
        for (int i = 1; i < CONSOLE_LINES; i++) EXPECT_EQ(ctx->lines[i].state, LINE_EMPTY);
        EXPECT_TRUE(surface.drawn.empty());
        EXPECT_EQ(observer.clears, 1);

        ctx->redrawPending = 1;  // the next redraw paints the whole cleared console
        redraw();
        EXPECT_EQ(surface.drawn.size(), 24u);
        EXPECT_EQ(row(0), "MS-DOS>");
        EXPECT_EQ(row(1), "");
    } else {
        EXPECT_EQ(ctx->clearScreenPending, 0);
        EXPECT_EQ(ctx->lineCount, 3);
        EXPECT_EQ(newest().state, LINE_COMMAND);
        EXPECT_FALSE(surface.drawn.empty());
        EXPECT_EQ(observer.clears, 0);
    }
}

const ClearCase kClearCases[] = {
    {"LowerCase", "cls", true},      {"UpperCase", "CLS", true},
    {"Mixed", "cLs", true},          {"TrailingSpaces", "cls   ", true},
    {"LeadingSpace", " cls", false}, {"FourthLetter", "clsx", false},
    {"OtherCommand", "dir", false},
};

INSTANTIATE_TEST_SUITE_P(Typed, TypedClearTest, ::testing::ValuesIn(kClearCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ScreenBufferTest, EmptyTableShowsDosPrompt) {
    ctx->lineCount = 0;
    ctx->redrawPending = 1;
    redraw();
    ASSERT_EQ(surface.drawn.size(), 24u);
    EXPECT_EQ(surface.drawn[0].text, "Dos>" + std::string(80, ' '));
    for (int i = 1; i < CONSOLE_LINES; i++) EXPECT_EQ(surface.drawn[i].text, std::string(84, ' '));
}

TEST_F(ScreenBufferTest, PromptStepMarksTheNewestLine) {
    a_editOutBuf(ctx.get(), "C:\\>");
    a_editPrompt(ctx.get());
    EXPECT_EQ(ctx->lineCount, 3);
    EXPECT_EQ(newest().state, LINE_PROMPT);
    EXPECT_STREQ(newest().text, "MS-DOS>");
    EXPECT_EQ(observer.states, (std::vector<int>{LINE_OUTPUT, LINE_PROMPT}));

    ctx->promptText[0] = '\0';  // an empty prompt is refused and marks nothing
    a_editPrompt(ctx.get());
    EXPECT_EQ(ctx->lineCount, 3);
}

TEST_F(ScreenBufferTest, ShowAppendsAndPaintsAtOnce) {
    a_editShow(ctx.get(), "Copied 3 files", &surface);
    EXPECT_EQ(ctx->redrawPending, 0);
    EXPECT_EQ(row(1), "Copied 3 files");

    a_editShow(ctx.get(), "no surface", nullptr);
    EXPECT_EQ(ctx->lineCount, 3);
    EXPECT_EQ(ctx->redrawPending, 0);
}

}  // namespace
