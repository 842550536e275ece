// Commands typed in the window run against the simulated MS-DOS machine, as with `--demo`.
#include <QDir>
#include <QFile>
#include <QTest>

#include "shell/demo_machine.h"
#include "shell/velmo_view.h"
#include "support/temp_working_directory.h"
#include "tests/shell/window_fixture.h"

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
