// Commands typed in the window run against the simulated MS-DOS machine, as with `--demo`.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "shell/demo_machine.h"
#include "shell/velmo_view.h"
#include "support/temp_working_directory.h"
#include "window_fixture.h"

namespace {
class DosLink : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        // velmo-dos is found beside velmo; here that is the build's program folder.
        qputenv("PATH", QByteArray(VELMO_BIN_DIR) + ":" + qgetenv("PATH"));
        QString error;
        ASSERT_TRUE(machine.start(ctx.get(), &error)) << error.toStdString();
    }
    TempWorkingDirectory here;  // #GET writes into the current directory
    DemoMachine machine;
};
}  // namespace

TEST_F(DosLink, DirAnswersOnTheConsoleWithTheStatusBarFollowing) {
    type("dir");
    press(Qt::Key_Return);
    EXPECT_EQ(pane(0), "RS-232C Active!");
    EXPECT_FALSE(view()->caretShown());
    ASSERT_TRUE(QTest::qWaitFor([this] { return ctx->linkActive == 0; }, 20000));
    EXPECT_EQ(pane(0), "RS-232C Sleep");
    EXPECT_TRUE(consoleShows("README")) << line(0);
    EXPECT_TRUE(consoleShows("GAMES"));
    EXPECT_EQ(ctx->lines[ctx->lineCount - 1].state, LINE_PROMPT);
    EXPECT_TRUE(view()->caretShown());
    EXPECT_EQ(ctx->portOpen, 1);  // a normal end keeps the port for the next command
}

TEST_F(DosLink, GetCopiesAFileToTheCurrentDirectory) {
    runCommand("#GET README.TXT");
    QFile copy(QDir::current().filePath("README.TXT"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << "console: " << line(ctx->lineCount - 2);
    EXPECT_TRUE(copy.readAll().startsWith("Velmo demo drive\r\n"));
    EXPECT_EQ(pane(0), "RS-232C Sleep");
}

TEST_F(DosLink, ClosingTheWindowClosesThePort) {
    runCommand("ver");
    ASSERT_EQ(ctx->portOpen, 1);
    frame->close();
    EXPECT_EQ(ctx->portOpen, 0);
}

TEST_F(DosLink, ChangingThePortClosesTheOpenPort) {
    runCommand("ver");
    ASSERT_EQ(ctx->portOpen, 1);
    QTimer::singleShot(50, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QRadioButton*>("secondPort")->setChecked(true);
        dialog->findChild<QPushButton*>("set")->click();
    });
    view()->portSettings();
    EXPECT_EQ(ctx->comPort, 2);
    EXPECT_EQ(ctx->portOpen, 0);
}

TEST(DemoMachine, StopsTheMachineAndRemovesItsDrive) {
    qputenv("PATH", QByteArray(VELMO_BIN_DIR) + ":" + qgetenv("PATH"));
    auto ctx = std::make_unique<LinkContext>();
    a_ContextDefaults(ctx.get());
    QString link;
    {
        DemoMachine machine;
        QString error;
        ASSERT_TRUE(machine.start(ctx.get(), &error)) << error.toStdString();
        link = QString::fromLocal8Bit(ctx->portPaths[1]);
        EXPECT_TRUE(QFileInfo::exists(link));
        const QDir drive(QFileInfo(link).dir().filePath("drive"));
        EXPECT_TRUE(drive.exists(QStringLiteral("日本語.TXT")));
        EXPECT_TRUE(drive.exists("GAMES/SCORES.TXT"));
        EXPECT_EQ(QFileInfo(drive.filePath("DATA.BIN")).size(), 4096);
    }
    EXPECT_FALSE(QFileInfo(link).dir().exists());
}
