#include "support/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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

// The children of `parent` that lead a process group of their own, as `timeout` does for the
// program it runs: a signal to the parent's group reaches neither them nor what they run.
std::vector<pid_t> groupLeadingChildren(pid_t parent) {
    std::vector<pid_t> leaders;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string stat;
        std::getline(std::ifstream(entry.path() / "stat"), stat);
        // "pid (name) state ppid pgrp ...", where the name may hold spaces and parentheses.
        const size_t nameEnd = stat.rfind(')');
        if (nameEnd == std::string::npos) continue;
        std::istringstream fields(stat.substr(nameEnd + 1));
        char state = 0;
        pid_t ppid = 0, group = 0;
        if (fields >> state >> ppid >> group && ppid == parent && group == std::stoi(name)) {
            leaders.push_back(group);
        }
    }
    return leaders;
}

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
    if (group) {
        for (pid_t inner : groupLeadingChildren(*pid)) {
            kill(-inner, signal);
            waitForGroupEnd(inner, seconds);
        }
    }
    kill(group ? -group : *pid, signal);
    if (!wait_child(pid, seconds)) {
        kill(group ? -group : *pid, SIGKILL);
        waitpid(*pid, nullptr, 0);
        *pid = -1;
    }
    if (group) waitForGroupEnd(group, seconds);
}
