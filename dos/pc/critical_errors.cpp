#include "critical_errors.h"

#include "dos_calls.h"

extern "C" void answer_critical_error();
extern "C" void dos_guard_install();
extern "C" void dos_guard_remove();

CriticalError critical_error;

namespace {

constexpr uint8_t KIND_WRITING = 0x01;

// The driver error codes in the words MS-DOS shows for them.
const char* errorWords(uint8_t code) {
    static const char* const words[] = {"Write protect",
                                        "Unknown unit",
                                        "Not ready",
                                        "Unknown command",
                                        "Data",
                                        "Bad call format",
                                        "Seek",
                                        "Non-DOS disk",
                                        "Sector not found",
                                        "Printer out of paper",
                                        "Write fault",
                                        "Read fault",
                                        "General failure",
                                        "Sharing violation",
                                        "Lock violation",
                                        "Invalid disk change"};
    return code < sizeof words / sizeof words[0] ? words[code] : "Critical";
}

}  // namespace

void critical_errors_answer_here() {
    dos_set_vector(0x24, answer_critical_error);
}

void critical_errors_forget() {
    critical_error = CriticalError{};
}

bool critical_errors_describe(TextBuffer* line) {
    if (critical_error.count == 0) return false;
    line->add(errorWords(critical_error.code))
        .add(critical_error.kind & KIND_WRITING ? " error writing " : " error reading ");
    if (critical_error.device[0]) {
        uint32_t length = sizeof critical_error.device;
        while (length && critical_error.device[length - 1] == ' ') --length;
        line->add("device ").add(critical_error.device, length);
    } else {
        line->add("drive ").add(char('A' + critical_error.drive));
    }
    return true;
}

const char* critical_errors_answer() {
    // As answer_critical_error chooses it from the answers DOS allows.
    constexpr uint8_t FAIL_ALLOWED = 0x08, IGNORE_ALLOWED = 0x20;
    if (critical_error.kind & FAIL_ALLOWED) return "Fail";
    return critical_error.kind & IGNORE_ALLOWED ? "Ignore" : "Abort";
}

CriticalErrorGuard::CriticalErrorGuard() {
    dos_guard_install();
}

CriticalErrorGuard::~CriticalErrorGuard() {
    dos_guard_remove();
}
