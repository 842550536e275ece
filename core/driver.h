// The poll-timer link driver: one tick of the running command.
//
// Enter on a non-empty line starts a command (the line editor sets LinkContext.linkActive and
// arms the 1 ms one-shot timer). Each tick kills the timer, does one step of the exchange with
// a drawing surface from the host, and arms the timer again while the step wants more. The
// first tick sends the command; later ticks receive the answer or move the files. The end of
// a command shows the new prompt, or an error line with the code and the time, or the cancel
// notice, and closes the port after anything but a normal end.
#pragma once

struct LinkContext;
class ViewHost;

// The timer's tick. Returns false when the tick was not ours (other id, or not armed).
bool a_driverTick(LinkContext* ctx, ViewHost* host, int timerId);

// The Cancel command: raises the flag the running step looks at.
void a_cancelCommand(LinkContext* ctx);
bool a_canCancel(const LinkContext* ctx);        // Cancel offered: busy and not yet cancelled
bool a_canChangePort(const LinkContext* ctx);    // port settings offered: idle

// Closes the port if it is open (window closing, port change).
void a_closePort(LinkContext* ctx);
