// File > Send VELMOD, driven through its dialog over a real pseudo-terminal: nothing until
// Enter, then the text with the progress bar, Ctrl+Z, and how to start VELMOD.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <memory>

#include "console/link_context.h"
#include "shell/send_velmod_dlg.h"
#include "support/pty_pair.h"
#include "support/temp_working_directory.h"

TEST(SendVelmodDialog, EnterStartsTheTextAndTheEndSaysHowToStartVelmod) {
    TempWorkingDirectory dir;
    const std::string text = "PR[Xh@@5AA%@@P_\r\nTYPEABLE-STAND-IN ~}|{ 0123456789\r\n";
    dir.writeFile("VELMOD.TXT", text);
    PtyPair pty;
    auto ctx = std::make_unique<LinkContext>();
    a_ContextDefaults(ctx.get());
    pty.connect(ctx.get());
    ctx->baudRate = 19200;

    CSendVelmodDlg dialog(ctx.get(), QStringLiteral("VELMOD.TXT"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.sender().phase() == SendPhase::Done; }));

    const auto* progress = dialog.findChild<QProgressBar*>(QStringLiteral("progress"));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->value(), progress->maximum());
    const auto* state = dialog.findChild<QLabel*>(QStringLiteral("state"));
    ASSERT_NE(state, nullptr);
    EXPECT_TRUE(state->text().contains(QStringLiteral("VELMOD /P:1 /B:19200")))
        << state->text().toStdString();
    const auto bytes = readBytes(pty.master(), 4096, 200);
    const std::string heard(bytes.begin(), bytes.end());
    EXPECT_EQ(heard, text + "\x1A");
}
