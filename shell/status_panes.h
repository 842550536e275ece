// The six panes of the main window's status bar: the message pane, the insert-mode indicator
// and the kana, caps-lock, num-lock and scroll-lock indicators. The link driver and the line
// editor write panes 0 and 1 through the StatusBar interface.
#pragma once
#include <QLabel>
#include <QStatusBar>
#include <array>

#include "core/view_host.h"

class StatusPanes : public StatusBar {
  public:
    explicit StatusPanes(QStatusBar* bar);

    void setPaneText(int pane, const char* text) override;  // Shift-JIS
    QString paneText(int pane) const;
    static constexpr int PANES = 6;

  private:
    std::array<QLabel*, PANES> panes_{};
};
