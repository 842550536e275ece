// The four dialogs: what they show, and the choice the port dialog hands back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <memory>

#include "console/link_context.h"
#include "shell/notice_dlg.h"
#include "shell/port_devices.h"
#include "shell/port_dlg.h"
#include "shell/setting_info_dlg.h"
#include "shell/version_dlg.h"

namespace {
class Dialogs : public testing::Test {
  protected:
    void SetUp() override { a_ContextDefaults(ctx.get()); }
    std::unique_ptr<LinkContext> ctx = std::make_unique<LinkContext>();
};

template <typename T>
T* child(QWidget* parent, const char* name) {
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}
}  // namespace

TEST_F(Dialogs, PortDialogHandsBackTheChoiceAsTheControlsStand) {
    CPortDlg dialog(ctx.get(), PortChoice{5, 5, 1});
    EXPECT_EQ(child<QRadioButton>(&dialog, "firstPort")->text(), "COM1");
    EXPECT_EQ(child<QRadioButton>(&dialog, "secondPort")->text(), "COM5");
    EXPECT_TRUE(child<QRadioButton>(&dialog, "secondPort")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(&dialog, "verify")->isChecked());
    child<QRadioButton>(&dialog, "firstPort")->setChecked(true);
    child<QCheckBox>(&dialog, "verify")->setChecked(false);
    const PortChoice choice = dialog.choice();
    EXPECT_EQ(choice.port, 1);
    EXPECT_EQ(choice.secondPort, 5);
    EXPECT_EQ(choice.verify, 0);
}

TEST_F(Dialogs, PortDialogShowsTheDeviceEachPortOpens) {
    std::strcpy(ctx->portPaths[1], "/nonexistent/adapter");
    CPortDlg dialog(ctx.get(), PortChoice{1, 2, 0});
    EXPECT_EQ(child<QLabel>(&dialog, "firstPortDevice")->text(), "/nonexistent/adapter: not found");
    EXPECT_TRUE(child<QLabel>(&dialog, "secondPortDevice")->text().startsWith("/dev/ttyS1: "));
}

struct DeviceCase {
    const char* path;
    PortDevice::State state;
    const char* stableName;
};

class PortDevices : public testing::TestWithParam<DeviceCase> {};

TEST_P(PortDevices, TellWhetherThePortCanBeOpened) {
    // A folder of stable names like /dev/serial/by-id, naming /dev/null.
    QTemporaryDir byId;
    ASSERT_TRUE(QFile::link("/dev/null", byId.filePath("usb-FTDI_FT232R-if00-port0")));
    const PortDevice device = probePortDevice(GetParam().path, byId.path().toStdString());
    EXPECT_EQ(device.state, GetParam().state);
    EXPECT_EQ(device.stableName, GetParam().stableName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortDevices,
    testing::Values(DeviceCase{"/dev/null", PortDevice::Ready, "usb-FTDI_FT232R-if00-port0"},
                    DeviceCase{"/dev/zero", PortDevice::Ready, ""},
                    DeviceCase{"/nonexistent/ttyUSB0", PortDevice::Missing, ""},
                    DeviceCase{"/etc/hostname", PortDevice::NotADevice, ""}));

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

TEST_F(Dialogs, SettingsInformationLinesTheLineFormatUpUnderDataBits) {
    CSettingInfoDlg dialog(ctx.get());
    dialog.show();
    auto left = [&dialog](const char* text) {
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->text().startsWith(QString::fromUtf8(text))) return label->x();
        }
        return -1;
    };
    const int dataBits = left("データ ビット");
    ASSERT_GT(dataBits, left("データ形式"));
    EXPECT_EQ(left("スタートビット"), dataBits);
    EXPECT_EQ(left("ストップビット"), dataBits);
    EXPECT_EQ(left("パリティビット"), dataBits);
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
        EXPECT_GT(dialog.findChild<QFrame*>("noticeFrame")->frameWidth(), 0);  // a modal frame
    }
}
