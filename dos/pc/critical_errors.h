// What VELMOD knows of the critical errors (INT 24h) that DOS raised while it or a command
// worked: critical_error.s answers each one itself and keeps the first.
#pragma once
#include <cstdint>

#include "text_buffer.h"

struct CriticalError {
    uint8_t count;   // since critical_errors_forget(), up to 255
    uint8_t kind;    // INT 24h's AH: bit 0 set when writing
    uint8_t drive;   // 0 = A:
    uint8_t code;    // the driver's error code
    char device[8];  // a character device's name, space-padded; empty for a disk
};
extern "C" CriticalError critical_error;

// Makes VELMOD's handler the one DOS calls (DOS puts the old one back when VELMOD ends).
void critical_errors_answer_here();
void critical_errors_forget();
// Appends DOS's own words for the first error ("Not ready error reading drive A"); false when
// there was none.
bool critical_errors_describe(TextBuffer* line);
// The answer VELMOD gave to it: "Fail", "Ignore" or "Abort".
const char* critical_errors_answer();

// Keeps VELMOD's handler in place while a program runs: COMMAND.COM would replace it with one
// that waits for an answer from the DOS keyboard or the output file.
class CriticalErrorGuard {
  public:
    CriticalErrorGuard();
    ~CriticalErrorGuard();
    CriticalErrorGuard(const CriticalErrorGuard&) = delete;
    CriticalErrorGuard& operator=(const CriticalErrorGuard&) = delete;
};
