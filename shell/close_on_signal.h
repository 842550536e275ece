// Closes a window when the process is asked to end (SIGINT, SIGTERM, SIGHUP), so that the
// ordinary shut-down runs: the port is closed, the position saved, a demo machine stopped and
// its files removed.
#pragma once

class QWidget;

void close_on_termination_signals(QWidget* window);
