#include "shell/notice_dlg.h"

#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

CNoticeDlg::CNoticeDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("noticeDialog"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    auto* line = new QLabel(noticeLine(), this);
    line->setObjectName(QStringLiteral("noticeLine"));
    layout->addWidget(line);
}

QString CNoticeDlg::noticeLine() {
    return QStringLiteral("RS-232C MS-DOS Monitor   (C) Marobi");
}

void CNoticeDlg::keyPressEvent(QKeyEvent* event) {
    // No buttons, so Enter must close it by hand; Esc is the dialog's own.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
