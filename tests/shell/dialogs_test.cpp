// The four dialogs: what they show and what the port dialog changes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <memory>

#include "core/link_context.h"
#include "shell/notice_dlg.h"
#include "shell/port_dlg.h"
#include "shell/setting_info_dlg.h"
#include "shell/version_dlg.h"

namespace {
class Dialogs : public testing::Test {
  protected:
    void SetUp() override {
        a_ContextDefaults(ctx.get());
        CPortDlg::forgetSecondPort();
    }
    std::unique_ptr<LinkContext> ctx = std::make_unique<LinkContext>();
};

template <typename T>
T* child(QWidget* parent, const char* name) {
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}
}  // namespace

TEST_F(Dialogs, PortDialogOffersComOneAndTheRememberedSecondPort) {
    ctx->comPort = 5;
    {
        CPortDlg dialog(ctx.get());
        EXPECT_EQ(child<QRadioButton>(&dialog, "secondPort")->text(), "COM5");
        EXPECT_TRUE(child<QRadioButton>(&dialog, "secondPort")->isChecked());
        child<QRadioButton>(&dialog, "firstPort")->setChecked(true);
        dialog.accept();
    }
    EXPECT_EQ(ctx->comPort, 1);
    CPortDlg again(ctx.get());
    EXPECT_EQ(child<QRadioButton>(&again, "secondPort")->text(), "COM5");
    EXPECT_TRUE(child<QRadioButton>(&again, "firstPort")->isChecked());
}

TEST_F(Dialogs, PortDialogOffersComTwoWhenComOneIsConfigured) {
    CPortDlg dialog(ctx.get());
    EXPECT_EQ(child<QRadioButton>(&dialog, "secondPort")->text(), "COM2");
    child<QRadioButton>(&dialog, "secondPort")->setChecked(true);
    dialog.accept();
    EXPECT_EQ(ctx->comPort, 2);
}

TEST_F(Dialogs, PortDialogComparesTheButtonNotThePortNumber) {
    // With port 5 and its button kept, the choice (2) differs from the port: an open port is
    // closed, the port number stays.
    ctx->comPort = 5;
    ctx->portOpen = 1;
    ctx->portHandle = PORT_NONE;
    CPortDlg dialog(ctx.get());
    dialog.accept();
    EXPECT_EQ(ctx->comPort, 5);
    EXPECT_EQ(ctx->portOpen, 0);
}

TEST_F(Dialogs, PortDialogCancelChangesNothingAndOkSetsVerify) {
    ctx->verifyOn = 1;
    {
        CPortDlg dialog(ctx.get());
        EXPECT_TRUE(child<QCheckBox>(&dialog, "verify")->isChecked());
        child<QCheckBox>(&dialog, "verify")->setChecked(false);
        dialog.reject();
    }
    EXPECT_EQ(ctx->verifyOn, 1);
    CPortDlg dialog(ctx.get());
    child<QCheckBox>(&dialog, "verify")->setChecked(false);
    dialog.accept();
    EXPECT_EQ(ctx->verifyOn, 0);
    EXPECT_EQ(CSettingInfoDlg::valueTexts(ctx.get()).at(1), "(Verify OFF)");
}

TEST_F(Dialogs, SettingsInformationTexts) {
    EXPECT_EQ(CSettingInfoDlg::valueTexts(ctx.get()),
              QStringList({"COM1", "(Verify OFF)", "9600bps", "1", "30秒"}));
    ctx->comPort = 3;
    ctx->verifyOn = 1;
    ctx->baudRate = 115200;
    ctx->stopBits = 1;
    ctx->timeoutSetting = 7;
    EXPECT_EQ(CSettingInfoDlg::valueTexts(ctx.get()),
              QStringList({"COM3", "(Verify ON)", "115200bps", "1.5", "0秒"}));
    ctx->stopBits = 2;
    CSettingInfoDlg dialog(ctx.get());
    EXPECT_EQ(child<QLabel>(&dialog, "value3")->text(), "2");
}

TEST_F(Dialogs, VersionLineCutsTheCaptionToTwentyFiveBytes) {
    EXPECT_EQ(CVersionDlg::versionLine(ctx.get()), "Quandor for MS-DOS  Ver 2.11");
    std::strcpy(ctx->captionText, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
    EXPECT_EQ(CVersionDlg::versionLine(ctx.get()), "ABCDEFGHIJKLMNOPQRSTUVWXY  Ver 2.11");
    CVersionDlg dialog(ctx.get());
    EXPECT_EQ(child<QLabel>(&dialog, "versionLine")->text(), "ABCDEFGHIJKLMNOPQRSTUVWXY  Ver 2.11");
}

TEST_F(Dialogs, VersionLineNeverEndsInHalfACharacter) {
    // 24 ASCII bytes, then a double-byte character that would straddle the limit.
    std::strcpy(ctx->captionText, "ABCDEFGHIJKLMNOPQRSTUVWX\x93\xfa");
    EXPECT_EQ(CVersionDlg::versionLine(ctx.get()), "ABCDEFGHIJKLMNOPQRSTUVWX  Ver 2.11");
}

TEST_F(Dialogs, NoticeClosesWithEnterOrEscape) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        CNoticeDlg dialog;
        QTimer::singleShot(0, &dialog, [&dialog, key] { QTest::keyClick(&dialog, key); });
        dialog.exec();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.findChild<QLabel*>("noticeLine")->text(), CNoticeDlg::noticeLine());
    }
}
