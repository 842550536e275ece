#include "shell/port_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/driver.h"
#include "core/link_context.h"

namespace {
int secondPort = 0;
bool secondPortSet = false;
}  // namespace

void CPortDlg::forgetSecondPort() {
    secondPort = 0;
    secondPortSet = false;
}

CPortDlg::CPortDlg(LinkContext* ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    if (!secondPortSet) {
        secondPort = ctx->comPort == 1 ? 2 : ctx->comPort;
        secondPortSet = true;
    }
    setObjectName(QStringLiteral("portDialog"));
    setWindowTitle(QStringLiteral("ポート設定"));

    verify_ = new QCheckBox(QStringLiteral("Verify (#GET, #PUT . . . [/V])"), this);
    verify_->setObjectName(QStringLiteral("verify"));
    verify_->setChecked(ctx->verifyOn == 1);

    auto* group = new QGroupBox(QStringLiteral("通信ポート"), this);
    first_ = new QRadioButton(QStringLiteral("COM1"), group);
    first_->setObjectName(QStringLiteral("firstPort"));
    second_ = new QRadioButton(QStringLiteral("COM%1").arg(secondPort), group);
    second_->setObjectName(QStringLiteral("secondPort"));
    (ctx->comPort == 1 ? first_ : second_)->setChecked(true);
    auto* ports = new QVBoxLayout(group);
    ports->addWidget(first_);
    ports->addWidget(second_);

    auto* set = new QPushButton(QStringLiteral("設  定"), this);
    set->setObjectName(QStringLiteral("set"));
    set->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(set, &QPushButton::clicked, this, &CPortDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(verify_, 0, 0, 1, 2);
    layout->addWidget(group, 1, 0, 2, 1);
    layout->addWidget(cancel, 1, 1, Qt::AlignBottom);
    layout->addWidget(set, 2, 1, Qt::AlignBottom);
}

void CPortDlg::accept() {
    ctx_->verifyOn = verify_->isChecked() ? 1 : 0;
    // The choice is compared by button, not by port number: with port 5 in use and the second
    // button kept, an open port is closed all the same.
    const int choice = first_->isChecked() ? 1 : 2;
    if (choice != ctx_->comPort) {
        ctx_->comPort = choice == 1 ? 1 : secondPort;
        a_closePort(ctx_);
    }
    QDialog::accept();
}
