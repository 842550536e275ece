// The main frame: its size from the console font, its place from the settings, its menus and
// accelerators, and the help window.
#include <QFontMetrics>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>

#include "base/messages.h"
#include "shell/console_font.h"
#include "shell/help_window.h"
#include "shell/velmo_app.h"
#include "shell/velmo_view.h"
#include "shell/window_position.h"
#include "support/pty_pair.h"
#include "window_fixture.h"

namespace {
const QString kOrganisation = QStringLiteral("VelmoPlacementTest");

void storePosition(QVariant left, QVariant top) {
    QSettings settings(kOrganisation, QStringLiteral("Velmo"));
    settings.clear();
    if (left.isValid()) settings.setValue("Pos/Left_x", left);
    if (top.isValid()) settings.setValue("Pos/Left_y", top);
}

QPoint storedPosition() {
    QSettings settings(kOrganisation, QStringLiteral("Velmo"));
    return {settings.value("Pos/Left_x", -1).toInt(), settings.value("Pos/Left_y", -1).toInt()};
}
}  // namespace

TEST(WindowPlacement, OpensWhereItWasClosedAndSavesItsCorner) {
    storePosition(120, 80);
    {
        CVelmoApp app(kOrganisation);
        ASSERT_TRUE(app.initInstance());
        CMainFrame* frame = app.mainFrame();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        EXPECT_EQ(frame->frameGeometry().topLeft(), QPoint(120, 80));
        EXPECT_EQ(frame->windowTitle(), "Quandor for MS-DOS");
        frame->move(200, 150);
        frame->close();
    }
    EXPECT_EQ(storedPosition(), QPoint(200, 150));
}

TEST(WindowPlacement, FirstRunOpensTopLeftAndNegativeCornersAreSavedAsZero) {
    storePosition({}, {});
    CVelmoApp app(kOrganisation);
    ASSERT_TRUE(app.initInstance());
    EXPECT_EQ(app.mainFrame()->frameGeometry().topLeft(), QPoint(0, 0));
    WindowPosition(kOrganisation).save(QPoint(-40, 25));
    EXPECT_EQ(storedPosition(), QPoint(0, 25));
}

struct PlacementCase {
    QPoint saved;
    QPoint placed;
};

class TitleBarPlacement : public testing::TestWithParam<PlacementCase> {};

TEST_P(TitleBarPlacement, SavedPlaceIsUsedOnlyWithTheTitleBarWithinReach) {
    const QList<QRect> screens = {QRect(0, 0, 1024, 768), QRect(1024, 0, 800, 600)};
    EXPECT_EQ(WindowPosition::placement(GetParam().saved, 700, 24, screens), GetParam().placed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TitleBarPlacement,
    testing::Values(PlacementCase{{120, 80}, {120, 80}},
                    PlacementCase{{1500, 300}, {1500, 300}},  // on the second screen
                    PlacementCase{{-640, 100}, {-640, 100}},  // 60 pixels of title bar left
                    PlacementCase{{1019, 764}, {0, 0}},       // 5 × 4 pixels on a screen
                    PlacementCase{{1500, 590}, {0, 0}},       // most of it below the screen
                    PlacementCase{{50000, 40000}, {0, 0}}));

TEST(WindowPlacement, APlaceOffEveryScreenOpensTopLeft) {
    storePosition(50000, 40000);
    CVelmoApp app(kOrganisation);
    ASSERT_TRUE(app.initInstance());
    EXPECT_EQ(app.mainFrame()->frameGeometry().topLeft(), QPoint(0, 0));
}

using MainFrame = WindowTest;

TEST_F(MainFrame, ConsoleShowsExactlyEightyTwoByTwentyFiveCellsOfTheFontsLine) {
    ASSERT_GT(ctx->charWidth, 0);
    EXPECT_EQ(view()->size(), QSize(82 * ctx->charWidth, 25 * ctx->lineHeight));
    // A row is the font's line, ascent and descent, tight around its pixel height.
    const QFontMetrics metrics(consoleFont(ctx->fontHeight));
    EXPECT_EQ(ctx->lineHeight, metrics.ascent() + metrics.descent());
    EXPECT_LE(ctx->lineHeight, ctx->fontHeight + 2);
    // The console's font height follows the client height, so the sizes agree with a repaint.
    EXPECT_EQ(ctx->fontHeight, view()->height() > 400 ? 16 : 14);
}

TEST_F(MainFrame, MenusCarryTheirTextsAndTheToolBarItsFourButtons) {
    QStringList menus;
    for (QAction* action : frame->menuBar()->actions()) menus << action->text();
    EXPECT_EQ(menus, QStringList({"ﾌｧｲﾙ(&F)", "表示(&V)", "設定(&S)", "ﾍﾙﾌﾟ(&H)"}));
    auto* toolBar = frame->findChild<QToolBar*>("toolBar");
    ASSERT_NE(toolBar, nullptr);
    QStringList tips;
    for (QAction* action : toolBar->actions()) {
        tips << action->toolTip();
        EXPECT_FALSE(action->icon().isNull());
    }
    EXPECT_EQ(tips, QStringList({"設定情報", "通信ポート", "ｷｬﾝｾﾙ", "ﾊﾞｰｼﾞｮﾝ情報"}));
    EXPECT_EQ(pane(0), "ﾚﾃﾞｨ");
    EXPECT_EQ(pane(1), "INS");
}

TEST_F(MainFrame, CommandsAreEnabledByTheLinkState) {
    EXPECT_FALSE(frame->cancelAction()->isEnabled());
    EXPECT_TRUE(frame->portAction()->isEnabled());
    type("ver");
    press(Qt::Key_Return);
    // Enter started the command; the first tick has not run yet.
    EXPECT_EQ(ctx->linkActive, 1);
    EXPECT_TRUE(frame->cancelAction()->isEnabled());
    EXPECT_FALSE(frame->portAction()->isEnabled());
    frame->cancelAction()->trigger();
    EXPECT_FALSE(frame->cancelAction()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([this] { return ctx->linkActive == 0; }, 20000));
    EXPECT_FALSE(frame->cancelAction()->isEnabled());
    EXPECT_TRUE(frame->portAction()->isEnabled());
}

// A tick waits on the line for the MS-DOS side's answer; Cancel ends the wait at once, not at
// the time-out a minute later.
TEST_F(MainFrame, CancelCutsAWaitOnTheLineShort) {
    PtyPair pty;  // nobody answers at the far end
    pty.connect(ctx.get(), 600);
    QTimer::singleShot(300, frame->cancelAction(), &QAction::trigger);
    type("ver");
    press(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([this] { return ctx->linkActive == 0; }, 5000));
    EXPECT_TRUE(consoleShows(k_message(Message::Cancelled)));
}

TEST_F(MainFrame, MessagePaneReadsItsIdleTextAfterAPrompt) {
    runCommand("ver");
    EXPECT_EQ(pane(0), "RS-232C Sleep");
    frame->statusBar()->showMessage(QStringLiteral("処理を中断"));
    frame->statusBar()->clearMessage();
    EXPECT_EQ(pane(0), "ﾚﾃﾞｨ");
}

TEST_F(MainFrame, NoticeAcceleratorOpensTheNotice) {
    QString shown;
    QTimer::singleShot(50, [&shown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shown = modal->objectName();
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    });
    press(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(shown, "noticeDialog");
    EXPECT_EQ(input(), "");
}

TEST_F(MainFrame, HelpShowsTheOperatingInstructions) {
    frame->showHelp();
    ASSERT_NE(frame->helpWindow(), nullptr);
    const QString text = frame->helpWindow()->browser()->toPlainText();
    EXPECT_TRUE(text.contains("#GET")) << text.left(200).toStdString();
    EXPECT_TRUE(text.contains("#PUT"));
    EXPECT_TRUE(text.contains("COMn="));
}
