// Time as the program sees it: a millisecond tick and the local date and time. Everything that
// reads a clock goes through here, so that tests can hand in a clock of their own.
#pragma once
#include <cstdint>

struct LocalTime {
    int year, month, day, hour, minute, second;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds of a monotonic clock, kept in 32 bits (it wraps after 49.7 days).
    virtual uint32_t tickMs() const = 0;
    virtual LocalTime now() const = 0;
};

// The clock in use; the system clock unless a test installed another.
const Clock& k_clock();
// nullptr restores the system clock.
void k_set_clock(const Clock* clock);

constexpr int DATETIME_TEXT_SIZE = 32;
// The local date and time of k_clock() as "%04u/%02u/%02u %02u:%02u:%02u", for console lines
// and reports, into DATETIME_TEXT_SIZE bytes; returns its length.
int k_datetime_text(char* buffer);
