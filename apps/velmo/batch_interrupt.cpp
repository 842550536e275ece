#include "batch_interrupt.h"

#include <unistd.h>

#include <csignal>

namespace {

volatile sig_atomic_t interrupts = 0;
volatile sig_atomic_t onTerminal = 0;

void onInterrupt(int) {
    interrupts = interrupts + 1;
    if (interrupts < 2) return;
    // Only async-signal-safe calls from here on.
    static const char erase[] = "\r\x1b[K";
    static const char message[] = "velmo: interrupted\n";
    if (onTerminal) (void)!write(STDERR_FILENO, erase, sizeof erase - 1);
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(130);
}

}  // namespace

void batch_catch_interrupts(bool terminal) {
    onTerminal = terminal ? 1 : 0;
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a read of standard input returns to the loop
    sigaction(SIGINT, &action, nullptr);
}

int batch_interrupts() {
    return interrupts;
}
