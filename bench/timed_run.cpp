// Runs a program and writes what it cost: wall-clock seconds on the monotonic clock and the
// processor seconds of the program (and of the children it waited for).
//
//   bench_timed_run REPORT_FILE PROGRAM [ARGUMENTS...]
//
// REPORT_FILE gets one line: seconds=S status=N user=S system=S. The program's own standard
// streams are left alone. SIGTERM and SIGINT are passed on to the program, so a server that is
// stopped this way still gets its figures written. The exit status is the program's.
#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/monotonic_clock.h"

namespace {

volatile sig_atomic_t program = 0;

void passOn(int signal) {
    if (program > 0) kill(program, signal);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_timed_run REPORT_FILE PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    std::vector<std::string> command(argv + 2, argv + argc);
    int64_t start = k_bench_now();
    struct sigaction forward {};
    forward.sa_handler = passOn;
    sigaction(SIGTERM, &forward, nullptr);
    sigaction(SIGINT, &forward, nullptr);
    pid_t pid = k_bench_spawn(command);
    program = pid;
    ChildResult result;
    if (pid < 0 || !k_bench_wait(pid, &result)) return 127;
    double seconds = double(k_bench_now() - start) * 1e-9;

    std::FILE* report = std::fopen(argv[1], "w");
    if (!report) {
        std::perror(argv[1]);
        return 2;
    }
    std::fprintf(report, "seconds=%.3f status=%d user=%.3f system=%.3f\n", seconds, result.status,
                 result.userSeconds, result.systemSeconds);
    std::fclose(report);
    return result.status;
}
