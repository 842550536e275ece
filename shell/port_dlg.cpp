#include "shell/port_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "console/link_context.h"
#include "serial/port.h"
#include "shell/port_devices.h"

CPortDlg::CPortDlg(const LinkContext* ctx, const PortChoice& offered, QWidget* parent)
    : QDialog(parent), secondPort_(offered.secondPort) {
    setObjectName(QStringLiteral("portDialog"));
    setWindowTitle(QStringLiteral("ポート設定"));

    verify_ = new QCheckBox(QStringLiteral("Verify (#GET, #PUT . . . [/V])"), this);
    verify_->setObjectName(QStringLiteral("verify"));
    verify_->setChecked(offered.verify == 1);

    auto* group = new QGroupBox(QStringLiteral("通信ポート"), this);
    first_ = new QRadioButton(QStringLiteral("COM1"), group);
    first_->setObjectName(QStringLiteral("firstPort"));
    second_ = new QRadioButton(QStringLiteral("COM%1").arg(secondPort_), group);
    second_->setObjectName(QStringLiteral("secondPort"));
    (offered.port == 1 ? first_ : second_)->setChecked(true);
    auto* ports = new QGridLayout(group);
    addPort(ports, ctx, 0, 1, first_);
    addPort(ports, ctx, 1, secondPort_, second_);

    auto* set = new QPushButton(QStringLiteral("設  定"), this);
    set->setObjectName(QStringLiteral("set"));
    set->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(set, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(verify_, 0, 0, 1, 2);
    layout->addWidget(group, 1, 0, 2, 1);
    layout->addWidget(cancel, 1, 1, Qt::AlignBottom);
    layout->addWidget(set, 2, 1, Qt::AlignBottom);
}

void CPortDlg::addPort(QGridLayout* ports, const LinkContext* ctx, int row, int port,
                       QRadioButton* button) {
    PortIo io{ctx->portPaths, {}, 0};
    const PortDevice device = probePortDevice(k_rs232c_device(&io, port));
    auto* label =
        new QLabel(QString::fromStdString(portDeviceLine(device)), button->parentWidget());
    label->setObjectName(button->objectName() + QStringLiteral("Device"));
    label->setEnabled(device.state == PortDevice::Ready);
    ports->addWidget(button, row, 0);
    ports->addWidget(label, row, 1);
}

PortChoice CPortDlg::choice() const {
    return PortChoice{first_->isChecked() ? 1 : secondPort_, secondPort_,
                      verify_->isChecked() ? 1 : 0};
}
