// Ctrl+C in the batch front end. The first SIGINT is the Cancel command: the handler counts it
// and the session loop acts on it between ticks. A tick can be held much longer by a wait on
// the line (a far end that trickles a byte now and then keeps the idle time-out from running
// out), and that wait looks at no flag: when the Ctrl+C has not been taken up within 300 ms,
// the command is marked cancelled and the port's descriptor is swapped for /dev/null, so the
// wait ends at once and the command ends as cancelled, with the port closed as after any
// cancel. A second SIGINT ends velmo at once with status 130; the ending process closes the
// port, which releases its lock.
#pragma once

struct LinkContext;

// Installs the handlers for the session's context; system calls they interrupt return EINTR
// instead of restarting.
void batch_catch_interrupts(bool terminal, LinkContext* ctx);
// SIGINTs received so far.
int batch_interrupts();
// The session loop has acted on the latest Ctrl+C: no wait needs cutting short.
void batch_interrupt_taken();
