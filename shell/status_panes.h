// The six panes of the main window's status bar: the message pane, the insert-mode indicator
// and the kana, caps-lock, num-lock and scroll-lock indicators. The link driver and the line
// editor write panes 0 and 1 through the StatusBar interface. A transfer writes its progress to
// pane 0 after every block; the pane shows the latest text at most every few hundredths of a
// second, so that drawing it does not slow the transfer down.
#pragma once
#include <QElapsedTimer>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <array>
#include <string>

#include "base/view_host.h"

class StatusPanes : public StatusBar {
  public:
    explicit StatusPanes(QStatusBar* bar);

    void setPaneText(int pane, const char* text) override;  // Shift-JIS
    // What the pane reads, or is about to read.
    QString paneText(int pane) const;
    static constexpr int PANES = 6;

  private:
    void showMessage();

    std::array<QLabel*, PANES> panes_{};
    std::string message_;  // the latest text of pane 0 (Shift-JIS) while it is not shown yet
    bool messagePending_ = false;
    QElapsedTimer messageShown_;
    QTimer messageDue_;
};
