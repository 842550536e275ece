// Helper programs of the end-to-end tests (socat, DOSBox, boot scripts) as child processes
// whose output goes to a log file.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// Starts `args` with stdout and stderr in `log` and `environment` ("NAME=value") added. With
// `ownGroup` the child leads a new process group, so that stop_child ends its children too.
pid_t spawn_logged(std::vector<std::string> args, const std::string& log,
                   const std::vector<std::string>& environment = {}, bool ownGroup = false);
// Sends `signal` (to the whole group of an `ownGroup` child, and first to the groups its own
// children lead, as `timeout` does), waits up to `seconds`, then kills; *pid becomes -1.
void stop_child(pid_t* pid, int signal, int seconds = 0);
// Whether the child has ended, waiting up to `seconds`; *pid becomes -1 when it has.
bool wait_child(pid_t* pid, int seconds);
