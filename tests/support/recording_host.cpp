#include "support/recording_host.h"

#include <gtest/gtest.h>

void RecordingHost::setTimer(int id, int milliseconds) {
    timerSet = true;
    timerId = id;
    timerPeriod = milliseconds;
}

void RecordingHost::killTimer(int id) {
    if (id == timerId) timerSet = false;
    timerKills++;
}

DeviceContext* RecordingHost::getDC() {
    if (!surfaceAvailable) return nullptr;
    surfacesHeld++;
    return &surface;
}

void RecordingHost::releaseDC(DeviceContext* dc) {
    EXPECT_EQ(dc, &surface) << "released a surface that was not handed out";
    surfacesHeld--;
}

void RecordingHost::setCaretPos(int x, int y) {
    caretX = x;
    caretY = y;
}

void RecordingHost::setPaneText(int pane, const char* text) {
    ASSERT_TRUE(pane == 0 || pane == 1) << "pane " << pane;
    panes[pane] = text;
    paneHistory[pane].push_back(text);
}
