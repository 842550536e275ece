// Text composed in an input method: drawn at the caret until it is committed, with the
// candidate window placed at the caret.
#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>

#include "shell/sjis_text.h"
#include "shell/velmo_view.h"
#include "window_fixture.h"

namespace {
void compose(QWidget* view, const QString& preedit, int cursor) {
    QInputMethodEvent event(preedit, {{QInputMethodEvent::Cursor, cursor, 1, {}}});
    QApplication::sendEvent(view, &event);
}
}  // namespace

using InputMethod = WindowTest;

TEST_F(InputMethod, PreeditIsDrawnAtTheCaretButNotEntered) {
    type("ls ");
    compose(view(), QStringLiteral("にほん"), 3);
    EXPECT_EQ(input(), "ls ");
    const int row = ctx->lineCount;
    const QImage shown = view()->grab().toImage();
    for (int column = 10; column < 16; ++column) {
        EXPECT_TRUE(cellInked(shown, *ctx, column, row)) << "column " << column;
        EXPECT_FALSE(cellInked(view()->image(), *ctx, column, row)) << "column " << column;
    }
    EXPECT_EQ(view()->caretRect().left(), 16 * ctx->charWidth);  // at the preedit's cursor

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("日本"));
    QApplication::sendEvent(view(), &commit);
    EXPECT_EQ(input(), "ls " + qstringToSjis(QStringLiteral("日本")));
    EXPECT_TRUE(view()->preeditText().isEmpty());
    EXPECT_EQ(view()->caretRect().left(), 14 * ctx->charWidth);
}

TEST_F(InputMethod, CandidateWindowGoesToTheCaretInTheConsoleFont) {
    type("dir");
    const QWidget* widget = view();  // the input method asks through QWidget
    const QRect cursor = widget->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(cursor, QRect(10 * ctx->charWidth, ctx->lineCount * ctx->lineHeight, ctx->charWidth,
                            ctx->lineHeight));
    EXPECT_EQ(widget->inputMethodQuery(Qt::ImFont).value<QFont>().pixelSize(), ctx->fontHeight);
}
