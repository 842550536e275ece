// k_fatal_error: decides from the configuration whether a report goes to the log file, a
// message box, both or nowhere, and keeps the run's count of emitted reports.
#include "files/reporter.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/encoding.h"
#include "files/errlog_config.h"
#include "files/error_log.h"

namespace {

constexpr int MAX_REPORTS = 101;  // per run; a failure loop must not fill the disk
constexpr int RELOAD_AFTER = 20;  // uses between two readings of the configuration

struct ReporterState {
    bool loaded = false;
    int uses = 0;
    int emitted = 0;
    int mode = 0;
    int level = 0;
    int flags = 0;
    char logName[ERRLOG_NAME_SIZE] = "ERR.LOG";
};

ReporterState state;

// Without a window the report goes to standard error, readable on a UTF-8 terminal.
void writeToStandardError(const char* title, const char* text) {
    std::string shown = k_utf8_inert(title) + ": ";
    std::string_view rest(text);
    for (size_t end; (end = rest.find("\r\n")) != std::string_view::npos;
         rest.remove_prefix(end + 2)) {
        shown += k_utf8_inert(rest.substr(0, end)) + "\n";
    }
    shown += k_utf8_inert(rest) + "\n";
    std::fputs(shown.c_str(), stderr);
}

MessageBoxHook messageBox = writeToStandardError;

}  // namespace

void k_set_message_box(MessageBoxHook hook) {
    messageBox = hook != nullptr ? hook : writeToStandardError;
}

void k_errlog_reset() {
    state = ReporterState{};
}

int k_errlog_check(int kind, char* dateText, char* logName) {
    if (kind < 0 || kind > 9) return 0;
    if (!state.loaded || ++state.uses > RELOAD_AFTER) {
        state.flags = k_errlog_config(&state.mode, &state.level, state.logName);
        state.loaded = true;
        state.uses = 0;
    }
    if (state.mode == 0 || kind > state.level) return 0;
    k_datetime_text(dateText);
    std::snprintf(logName, ERRLOG_NAME_SIZE, "%s", state.logName);
    return state.flags;
}

int k_fatal_error(int kind, const char* name, int first, int second, int third) {
    char dateText[ERRLOG_DATE_SIZE];
    char logName[ERRLOG_NAME_SIZE];
    const int flags = k_errlog_check(kind, dateText, logName);
    if (flags == 0 || state.emitted >= MAX_REPORTS) return 0;
    ++state.emitted;

    char text[512];
    const int length = std::snprintf(
        text, sizeof text, "%%%s-E-Fatal error, Date %s\r\n0x%08X<%d> 0x%08X<%d> 0x%08X<%d>", name,
        dateText, static_cast<unsigned>(first), first, static_cast<unsigned>(second), second,
        static_cast<unsigned>(third), third);
    const int stored = length < static_cast<int>(sizeof text) ? length : sizeof text - 1;
    if (flags & 2) messageBox("Fatal Error", text);
    // A log that cannot be written loses the record: the reporter never fails its caller.
    FileControlBlock block{};
    if (flags & 1) k_errlog_put(logName, text, stored, &block);
    if (flags & 4) {
        const std::string_view fixed = k_errlog_fixed_record();
        k_errlog_put(logName, fixed.data(), static_cast<int>(fixed.size()), &block);
    }
    return 0;
}
