// The view host of the batch front end: a one-shot timer the session loop waits for, a drawing
// surface that draws nothing, and no caret.
#pragma once
#include <chrono>

#include "base/view_host.h"
#include "console/device_context.h"

class BlankSurface : public DeviceContext {
  public:
    void textOut(int, int, const char*, int) override {}
    void setBackColor(int) override {}
    void setTextColor(int) override {}
    bool selectConsoleFont(int pixelHeight, int* charWidth, int* lineHeight) override;
    void releaseConsoleFont() override {}
    void invalidateWindow() override {}
};

class BatchHost : public ViewHost {
  public:
    void setTimer(int id, int milliseconds) override;
    void killTimer(int id) override;
    DeviceContext* getDC() override { return &surface_; }
    void releaseDC(DeviceContext*) override {}
    void showCaret() override {}
    void hideCaret() override {}
    void setCaretPos(int, int) override {}

    bool timerSet() const { return timerSet_; }
    int timerId() const { return timerId_; }
    // Sleeps until the timer is due, or until bytes arrive on `portFd` (-1: no port): a block
    // that has arrived is taken at once instead of after the rest of the tick.
    void waitForTimer(int portFd) const;

  private:
    BlankSurface surface_;
    bool timerSet_ = false;
    int timerId_ = 0;
    std::chrono::steady_clock::time_point due_;
};
