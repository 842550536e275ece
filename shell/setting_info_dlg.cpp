#include "shell/setting_info_dlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "console/link_context.h"

namespace {
enum Value { Port, Verify, Speed, StopBits, Timeout };

QString stopBitsText(int code) {
    if (code == 1) return QStringLiteral("1.5");
    if (code == 2) return QStringLiteral("2");
    return QStringLiteral("1");
}
}  // namespace

QStringList CSettingInfoDlg::valueTexts(const LinkContext* ctx) {
    return {
        QStringLiteral("COM%1").arg(ctx->comPort),
        ctx->verifyOn ? QStringLiteral("(Verify ON)") : QStringLiteral("(Verify OFF)"),
        QStringLiteral("%1bps").arg(ctx->baudRate),
        stopBitsText(ctx->stopBits),
        // The time-out count is kept in eighths of a second.
        QStringLiteral("%1秒").arg(ctx->timeoutSetting / 8),
    };
}

CSettingInfoDlg::CSettingInfoDlg(const LinkContext* ctx, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("settingInfoDialog"));
    setWindowTitle(QStringLiteral("設定情報"));
    const QStringList values = valueTexts(ctx);
    auto* layout = new QGridLayout(this);
    auto label = [&](const char* text, int row, int column, int span = 1) {
        layout->addWidget(new QLabel(QString::fromUtf8(text), this), row, column, 1, span);
    };
    auto value = [&](Value which, int row, int column) {
        auto* field = new QLabel(values[which], this);
        field->setObjectName(QStringLiteral("value%1").arg(which));
        layout->addWidget(field, row, column);
    };
    label("通信ポート", 0, 0);
    value(Port, 0, 1);
    label("転送方式        非同期式", 1, 0);
    value(Verify, 1, 1);
    label("転送速度", 2, 0);
    value(Speed, 2, 1);
    label("データ形式 ", 3, 0);
    label("データ ビット", 3, 1);
    label("8", 3, 2);
    // The line format's rows stand under "データ ビット"; the template placed them there with
    // leading blanks, which only line up in the template's own font.
    label("スタートビット", 4, 1);
    label("1", 4, 2);
    label("ストップビット", 5, 1);
    value(StopBits, 5, 2);
    label("パリティビット    なし", 6, 1, 2);
    label("受信／送信タイムアウト時間     約", 7, 0, 2);
    value(Timeout, 7, 2);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, 3, Qt::AlignTop);
    layout->setRowMinimumHeight(3, fontMetrics().height() * 3 / 2);
}
