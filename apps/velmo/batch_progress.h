// The status bar of the batch front end: the progress line of a transfer, shown on standard
// error and rewritten in place, only when standard error is a terminal.
#pragma once
#include "base/view_host.h"

class BatchProgress : public StatusBar {
  public:
    explicit BatchProgress(bool terminal) : terminal_(terminal) {}
    void setPaneText(int pane, const char* text) override;
    // Takes the progress line off the terminal (before other output, and at the end).
    void clear();

  private:
    bool terminal_;
    bool shown_ = false;
};
