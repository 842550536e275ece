#include "shell/notice_dlg.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

CNoticeDlg::CNoticeDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("noticeDialog"));
    // No title bar, but the raised border of a modal frame, drawn here since the window
    // manager draws none around a frameless window.
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("noticeFrame"));
    frame->setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(28, 24, 28, 24);
    auto* line = new QLabel(noticeLine(), frame);
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
