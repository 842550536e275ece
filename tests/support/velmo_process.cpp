#include "support/velmo_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/file_bytes.h"

namespace fs = std::filesystem;

namespace {

void redirect(const fs::path& path, int flags, int to) {
    int fd = open(path.c_str(), flags, 0644);
    if (fd < 0 || dup2(fd, to) < 0) _exit(126);
    close(fd);
}

}  // namespace

VelmoProcess::VelmoProcess(const std::vector<std::string>& args, const std::string& input) {
    std::ofstream(in_, std::ios::binary) << input;
    start(args, -1);
}

VelmoProcess::VelmoProcess(const std::vector<std::string>& args, TypedInput) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) ADD_FAILURE() << "pipe";
    typed_ = ends[1];
    start(args, ends[0]);
    close(ends[0]);
}

void VelmoProcess::type(const std::string& text) const {
    EXPECT_EQ(write(typed_, text.data(), text.size()), ssize_t(text.size()));
}

void VelmoProcess::start(const std::vector<std::string>& args, int input) {
    std::vector<std::string> argv = {VELMO_BIN_DIR "/velmo"};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = fork();
    if (pid_ == 0) {
        if (input < 0) {
            redirect(in_, O_RDONLY, STDIN_FILENO);
        } else if (dup2(input, STDIN_FILENO) < 0) {
            _exit(126);
        }
        redirect(out_, O_WRONLY | O_CREAT | O_TRUNC, STDOUT_FILENO);
        redirect(err_, O_WRONLY | O_CREAT | O_TRUNC, STDERR_FILENO);
        std::vector<char*> pointers;
        for (std::string& arg : argv) pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    EXPECT_GT(pid_, 0) << "fork";
}

VelmoProcess::~VelmoProcess() {
    if (typed_ >= 0) close(typed_);
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    for (const fs::path& file : {in_, out_, err_}) fs::remove(file, ignored);
}

void VelmoProcess::interrupt() const {
    kill(pid_, SIGINT);
}

std::string VelmoProcess::outputSoFar() const {
    return fileBytes(out_);
}

Finished VelmoProcess::wait(int seconds) {
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "velmo did not end within " << seconds << " s";
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return {code, fileBytes(out_), fileBytes(err_)};
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}
