#include "batch_host.h"

#include <thread>

bool BlankSurface::selectConsoleFont(int pixelHeight, int* charWidth, int* lineHeight) {
    // Cells of the usual proportions, so the console's arithmetic runs as in the window.
    *charWidth = pixelHeight / 2 + 1;
    *lineHeight = pixelHeight + 2;
    return true;
}

void BatchHost::setTimer(int id, int milliseconds) {
    timerSet_ = true;
    timerId_ = id;
    due_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

void BatchHost::killTimer(int id) {
    if (id == timerId_) timerSet_ = false;
}

void BatchHost::waitForTimer() const {
    std::this_thread::sleep_until(due_);
}
