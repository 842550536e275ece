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

// How a command ended, for front ends that report it (the batch exit status).
enum class CommandEnd {
    Running,    // the command did not end in this tick
    Normal,     // the other machine ended it; its prompt or the driver's is on the console
    Usage,      // the usage text of #GET or #PUT was shown and nothing was sent
    Failed,     // an error line was shown
    Cancelled,  // the cancel notice was shown
};

// The timer's tick. Returns false when the tick was not ours (other id, or not armed).
// `end`, when given, tells whether and how the command ended in this tick.
bool a_driverTick(LinkContext* ctx, ViewHost* host, int timerId, CommandEnd* end = nullptr);

// The Cancel command: raises the flag the running step looks at.
void a_cancelCommand(LinkContext* ctx);
bool a_canCancel(const LinkContext* ctx);      // Cancel offered: busy and not yet cancelled
bool a_canChangePort(const LinkContext* ctx);  // port settings offered: idle

// Closes the port if it is open (window closing, port change).
void a_closePort(LinkContext* ctx);
