#include "child_process.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

double seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
}

}  // namespace

pid_t k_bench_spawn(const std::vector<std::string>& argv, int terminal) {
    if (argv.empty()) return -1;
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0) {
        std::fprintf(stderr, "fork: %s\n", std::strerror(errno));
        return -1;
    }
    if (pid == 0) {
        // On a terminal of its own the child gets a session of its own too: the caller can
        // signal its whole process group, and the caller's terminal signals stay away from it.
        if (terminal >= 0) {
            setsid();
            if (dup2(terminal, STDIN_FILENO) < 0 || dup2(terminal, STDOUT_FILENO) < 0) _exit(127);
        }
        execvp(args[0], args.data());
        std::fprintf(stderr, "%s: %s\n", args[0], std::strerror(errno));
        _exit(127);
    }
    return pid;
}

bool k_bench_wait(pid_t pid, ChildResult* result) {
    int status = 0;
    rusage usage{};
    pid_t done;
    do {
        done = wait4(pid, &status, 0, &usage);
    } while (done < 0 && errno == EINTR);
    if (done != pid) return false;
    result->status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result->userSeconds = seconds(usage.ru_utime);
    result->systemSeconds = seconds(usage.ru_stime);
    return true;
}

int k_bench_exit_watch(pid_t pid) {
    int fd = int(syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0) std::fprintf(stderr, "pidfd_open: %s\n", std::strerror(errno));
    return fd;
}
