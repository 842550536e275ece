// Ctrl+C in the batch front end. The first SIGINT is the Cancel command: the handler only
// counts it and the session loop acts on it between ticks. A second one ends velmo at once
// with status 130; the ending process closes the port, which releases its lock.
#pragma once

// Installs the handler; system calls it interrupts return EINTR instead of restarting.
void batch_catch_interrupts(bool terminal);
// SIGINTs received so far.
int batch_interrupts();
