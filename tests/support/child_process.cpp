#include "support/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

pid_t spawn_logged(std::vector<std::string> args, const std::string& log,
                   const std::vector<std::string>& environment, bool ownGroup) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (ownGroup) setpgid(0, 0);
        for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
        std::FILE* out = std::freopen(log.c_str(), "w", stderr);
        if (!out || !std::freopen(log.c_str(), "a", stdout)) _exit(126);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (ownGroup && pid > 0) setpgid(pid, pid);  // before the first stop_child, whoever runs first
    return pid;
}

bool wait_child(pid_t* pid, int seconds) {
    if (*pid <= 0) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (waitpid(*pid, nullptr, WNOHANG) != *pid) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    *pid = -1;
    return true;
}

namespace {

// Waits until no process of the group is left (an emulator writes its disk images out as it
// ends, after the script that started it).
void waitForGroupEnd(pid_t group, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (kill(-group, 0) == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(-group, SIGKILL);
}

}  // namespace

void stop_child(pid_t* pid, int signal, int seconds) {
    if (*pid <= 0) return;
    const pid_t group = getpgid(*pid) == *pid ? *pid : 0;
    kill(group ? -group : *pid, signal);
    if (!wait_child(pid, seconds)) {
        kill(group ? -group : *pid, SIGKILL);
        waitpid(*pid, nullptr, 0);
        *pid = -1;
    }
    if (group) waitForGroupEnd(group, seconds);
}
