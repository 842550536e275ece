#include "batch_progress.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/encoding.h"
#include "base/view_host.h"

namespace {
constexpr char ERASE_LINE[] = "\r\x1b[K";
}

void BatchProgress::setPaneText(int pane, const char* text) {
    if (pane != 0 || !terminal_) return;
    // The two state texts say nothing a transcript reader needs; they only end the progress.
    if (std::strcmp(text, LINK_ACTIVE_TEXT) == 0 || std::strcmp(text, LINK_SLEEP_TEXT) == 0) {
        clear();
        return;
    }
    std::string shown = k_utf8_inert(text);
    std::fprintf(stderr, "%s%s", ERASE_LINE, shown.c_str());
    std::fflush(stderr);
    shown_ = true;
}

void BatchProgress::clear() {
    if (!shown_) return;
    std::fputs(ERASE_LINE, stderr);
    std::fflush(stderr);
    shown_ = false;
}
