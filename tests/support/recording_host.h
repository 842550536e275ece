// A view host for tests: records timer sets and kills, caret calls and status bar texts, and
// hands out a recording surface (or none, to test the ticks and keys without one).
#pragma once
#include <string>
#include <vector>

#include "base/view_host.h"
#include "support/recording_surface.h"

class RecordingHost : public ViewHost, public StatusBar {
  public:
    RecordingSurface surface;
    bool surfaceAvailable = true;

    bool timerSet = false;  // a timer is set and not killed since
    int timerId = 0;
    int timerPeriod = 0;
    int timerKills = 0;
    int caretShows = 0;
    int caretHides = 0;
    int caretX = -1;
    int caretY = -1;
    int surfacesHeld = 0;  // got and not yet released
    std::string panes[2];
    std::vector<std::string> paneHistory[2];

    void setTimer(int id, int milliseconds) override;
    void killTimer(int id) override;
    DeviceContext* getDC() override;
    void releaseDC(DeviceContext* dc) override;
    void showCaret() override { caretShows++; }
    void hideCaret() override { caretHides++; }
    void setCaretPos(int x, int y) override;
    void setPaneText(int pane, const char* text) override;
};
