// The operating instructions, compiled in from docs/help.html, in a window of their own that
// stays open beside the console.
#pragma once
#include <QDialog>

class QTextBrowser;

class HelpWindow : public QDialog {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return browser_; }

  private:
    QTextBrowser* browser_;
};
