#include "shell/help_window.h"

#include <QTextBrowser>
#include <QVBoxLayout>

#include "shell/shell_resources.h"

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent, Qt::Window) {
    velmo_shell_resources();
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Velmo - 操作説明"));
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    browser_->setSource(QUrl(QStringLiteral("qrc:/velmo/help.html")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(760, 640);
}
