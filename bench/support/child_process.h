// Starting a program for a measurement and collecting what it cost: its exit status and the
// processor time it and its waited-for children used (wait4's rusage).
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

struct ChildResult {
    int status = -1;  // exit code, or 128 + signal number as a shell shows it
    double userSeconds = 0;
    double systemSeconds = 0;
    double cpuSeconds() const { return userSeconds + systemSeconds; }
};

// Starts `argv` (searched in PATH). With `terminal` >= 0 the child's standard input and output
// are that descriptor and the child leads a session (and process group) of its own; its
// standard error stays the caller's. Returns the pid, or -1 with a
// message on standard error.
pid_t k_bench_spawn(const std::vector<std::string>& argv, int terminal = -1);

// Waits for `pid` to end and fills `result`. False when there is no such child.
bool k_bench_wait(pid_t pid, ChildResult* result);

// A descriptor that polls readable when `pid` has ended (pidfd), or -1 with a message.
int k_bench_exit_watch(pid_t pid);
