// Keys on the real console view change the input line, the console and the image as the line
// editor's rules say.
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTest>

#include "shell/sjis_text.h"
#include "shell/velmo_view.h"
#include "window_fixture.h"

namespace {
void sendText(QWidget* view, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(view, &press);
}
}  // namespace

using ConsoleKeys = WindowTest;

TEST_F(ConsoleKeys, TypedTextAppearsAfterThePromptWithTheCaretBehindIt) {
    type("dir");
    EXPECT_EQ(input(), "dir");
    EXPECT_EQ(ctx->cursorColumn, 3);
    QTest::qWait(20);
    const int row = ctx->lineCount;  // the prompt's row, below the caption row
    for (int column = 7; column < 10; ++column) {
        EXPECT_TRUE(cellInked(view()->image(), *ctx, column, row)) << "column " << column;
    }
    EXPECT_FALSE(cellInked(view()->image(), *ctx, 11, row));
    EXPECT_TRUE(view()->caretShown());
    EXPECT_TRUE(view()->caretBlinking());
    // Under the insertion point, below the baseline, within the row.
    const QRect caret = view()->caretRect();
    EXPECT_EQ(caret.topLeft().x(), 10 * ctx->charWidth);
    EXPECT_EQ(caret.size(), QSize(6, 1));
    EXPECT_GT(caret.top(), row * ctx->lineHeight + ctx->lineHeight / 2);
    EXPECT_LT(caret.top(), (row + 1) * ctx->lineHeight);
}

TEST_F(ConsoleKeys, CursorKeysInsertOverwriteAndDeletion) {
    type("dir");
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    type("X");
    EXPECT_EQ(input(), "dXir");

    press(Qt::Key_Insert);
    EXPECT_EQ(ctx->insertMode, 0);
    EXPECT_EQ(pane(1), "   ");
    type("Y");
    EXPECT_EQ(input(), "dXYr");
    press(Qt::Key_Insert);
    EXPECT_EQ(pane(1), "INS");

    press(Qt::Key_Delete);
    EXPECT_EQ(input(), "dXY");
    press(Qt::Key_Delete);  // at the end: nothing
    press(Qt::Key_Home);    // not a key of the editor
    press(Qt::Key_Backspace);
    EXPECT_EQ(input(), "dX");
    press(Qt::Key_Escape);
    EXPECT_EQ(input(), "");
    EXPECT_EQ(ctx->cursorColumn, 0);
}

TEST_F(ConsoleKeys, KeypadArrowsDoNothingButKeypadDigitsType) {
    type("ab");
    press(Qt::Key_Left, Qt::KeypadModifier);
    press(Qt::Key_Insert, Qt::KeypadModifier);
    press(Qt::Key_Delete, Qt::KeypadModifier);
    EXPECT_EQ(ctx->cursorColumn, 2);
    EXPECT_EQ(ctx->insertMode, 1);
    QTest::keyClick(view(), Qt::Key_4, Qt::KeypadModifier);
    EXPECT_EQ(input(), "ab4");
}

TEST_F(ConsoleKeys, TabAndControlCharactersStayInTheLineEditor) {
    type("a");
    press(Qt::Key_Tab);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(view()->hasFocus());
    EXPECT_EQ(input(), "a");
    sendText(view(), QString(QChar(1)));  // Ctrl+A as a keyboard delivers it
    EXPECT_EQ(input(), std::string("a\x01"));
}

TEST_F(ConsoleKeys, JapaneseTextIsTypedAsShiftJisBytes) {
    sendText(view(), QStringLiteral("日本"));
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("ｶﾅ"));
    QApplication::sendEvent(view(), &commit);
    EXPECT_EQ(input(), qstringToSjis(QStringLiteral("日本ｶﾅ")));
    EXPECT_EQ(ctx->inputLength, 6);  // two double-byte and two single-byte characters
    // A character without a Shift-JIS form: the whole commit is refused.
    QInputMethodEvent refused;
    refused.setCommitString(QStringLiteral("a\U0001F600"));
    QApplication::sendEvent(view(), &refused);
    EXPECT_EQ(ctx->inputLength, 6);
    QTest::qWait(20);
    EXPECT_TRUE(cellInked(view()->image(), *ctx, 7, ctx->lineCount));
    EXPECT_TRUE(cellInked(view()->image(), *ctx, 12, ctx->lineCount));
}

class AltKeys : public WindowTest, public testing::WithParamInterface<int> {};

TEST_P(AltKeys, AreNotTheEditorsKeys) {
    type("ab");
    press(GetParam(), Qt::AltModifier);
    EXPECT_EQ(input(), "ab");
    EXPECT_EQ(ctx->cursorColumn, 2);
    EXPECT_EQ(ctx->insertMode, 1);
    EXPECT_EQ(ctx->linkActive, 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, AltKeys,
                         testing::Values(Qt::Key_Left, Qt::Key_Insert, Qt::Key_Delete,
                                         Qt::Key_Return, Qt::Key_Escape, Qt::Key_X));

TEST_F(ConsoleKeys, EditingAcceleratorsAreSwallowed) {
    type("abc");
    press(Qt::Key_V, Qt::ControlModifier);
    press(Qt::Key_Insert, Qt::ShiftModifier);
    press(Qt::Key_Delete, Qt::ShiftModifier);
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(input(), "abc");
    EXPECT_EQ(ctx->insertMode, 1);
}

TEST_F(ConsoleKeys, HistoryRecallsEnteredLines) {
    // Each command fails to open the port and ends with an error line and a new prompt.
    for (const char* command : {"one", "two", "three"}) runCommand(command);
    press(Qt::Key_Up);
    EXPECT_EQ(input(), "three");
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    press(Qt::Key_Up);  // past the oldest: stays there
    EXPECT_EQ(input(), "one");
    press(Qt::Key_Down);
    EXPECT_EQ(input(), "two");
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(input(), "");
}

TEST_F(ConsoleKeys, EnterOnAFailingPortShowsTheErrorAndANewPrompt) {
    runCommand("ver");
    EXPECT_EQ(line(ctx->lineCount - 1), "MS-DOS>");
    EXPECT_TRUE(consoleShows("*RS-232C Send-error, code=")) << line(ctx->lineCount - 2);
    EXPECT_EQ(pane(0), "RS-232C Sleep");
    EXPECT_TRUE(view()->caretShown());
}

TEST_F(ConsoleKeys, ClsClearsTheConsoleAtOnce) {
    runCommand("ver");
    type("cls");
    press(Qt::Key_Return);
    EXPECT_EQ(ctx->lineCount, 1);
    EXPECT_EQ(line(0), "MS-DOS>");
    ASSERT_TRUE(QTest::qWaitFor([this] { return ctx->linkActive == 0; }, 20000));
}

TEST_F(ConsoleKeys, WhileACommandRunsOnlyInsertIsTaken) {
    type("ver");
    press(Qt::Key_Return);
    ASSERT_EQ(ctx->linkActive, 1);  // the first tick has not run yet
    EXPECT_FALSE(view()->caretBlinking());
    type("x");
    press(Qt::Key_Up);
    EXPECT_EQ(input(), "");
    press(Qt::Key_Insert);
    EXPECT_EQ(ctx->insertMode, 0);
    EXPECT_EQ(pane(1), "   ");
    ASSERT_TRUE(QTest::qWaitFor([this] { return ctx->linkActive == 0; }, 20000));
}
