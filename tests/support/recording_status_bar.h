// A status bar for tests: keeps the texts of pane 0 (the link state and progress) in order.
#pragma once
#include <string>
#include <vector>

#include "base/view_host.h"

class RecordingStatusBar : public StatusBar {
  public:
    std::vector<std::string> progress;
    void setPaneText(int pane, const char* text) override {
        if (pane == 0) progress.push_back(text);
    }
};
