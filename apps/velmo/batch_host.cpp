#include "batch_host.h"

#include <poll.h>

#include <ctime>

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

void BatchHost::waitForTimer(int portFd) const {
    const auto left = due_ - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    const timespec wait{time_t(nanoseconds / 1'000'000'000), long(nanoseconds % 1'000'000'000)};
    // A descriptor of -1 is ignored by ppoll, which then only sleeps.
    pollfd port{portFd, POLLIN, 0};
    ppoll(&port, 1, &wait, nullptr);
}
