#include "batch_interrupt.h"

#include <sys/time.h>
#include <unistd.h>

#include <csignal>

#include "console/link_context.h"
#include "files/received_file.h"

namespace {

constexpr suseconds_t TAKE_UP_WAIT_US = 300'000;

volatile sig_atomic_t interrupts = 0;
volatile sig_atomic_t onTerminal = 0;
LinkContext* session = nullptr;

void armOverdueTimer(suseconds_t microseconds) {
    const itimerval timer{{0, 0}, {0, microseconds}};
    setitimer(ITIMER_REAL, &timer, nullptr);
}

// Only async-signal-safe calls in the handlers.
void onInterrupt(int) {
    interrupts = interrupts + 1;
    if (interrupts < 2) {
        armOverdueTimer(TAKE_UP_WAIT_US);
        return;
    }
    static const char erase[] = "\r\x1b[K";
    static const char message[] = "velmo: interrupted\n";
    k_received_file_abandon();  // the file being received stays as it was
    if (onTerminal) (void)!write(STDERR_FILENO, erase, sizeof erase - 1);
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(130);
}

// The Ctrl+C was not taken up: a tick is held in a wait on the line, which ends at its next
// poll and the command as cancelled.
void onOverdue(int) {
    if (session->linkActive != 1 || session->portOpen != 1) return;
    session->cancelRequested = 1;
    session->ioOverlapped.cutWait = 1;
}

void install(int signal, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a read of standard input returns to the loop
    sigaction(signal, &action, nullptr);
}

}  // namespace

void batch_catch_interrupts(bool terminal, LinkContext* ctx) {
    onTerminal = terminal ? 1 : 0;
    session = ctx;
    install(SIGALRM, onOverdue);
    install(SIGINT, onInterrupt);
}

int batch_interrupts() {
    return interrupts;
}

void batch_interrupt_taken() {
    armOverdueTimer(0);
}
