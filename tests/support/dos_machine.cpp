#include "support/dos_machine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/pty_pair.h"
#include "support/temp_working_directory.h"

namespace {

constexpr auto START_WAIT = std::chrono::seconds(10);
constexpr auto STOP_WAIT = std::chrono::seconds(5);

}  // namespace

DosMachine::DosMachine(const std::vector<std::string>& options) {
    dir_ = make_scratch_directory("velmo-dos");
    if (dir_.empty()) return;
    root_ = dir_ + "/A";
    link_ = dir_ + "/COM1";
    std::filesystem::create_directory(root_);

    std::vector<std::string> args = {VELMO_BIN_DIR "/velmo-dos", "--root", root_, "--pty", link_};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid_ < 0) {
        ADD_FAILURE() << "fork: " << std::strerror(errno);
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + START_WAIT;
    while (!std::filesystem::is_symlink(link_)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_ ||
            std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "velmo-dos did not come up at " << link_;
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

DosMachine::~DosMachine() {
    stop();
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

bool DosMachine::stop() {
    if (pid_ <= 0) return false;
    kill(pid_, SIGTERM);
    // A machine that ignores the request would hang the test; it normally ends within 100 ms.
    const auto deadline = std::chrono::steady_clock::now() + STOP_WAIT;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void DosMachine::writeFile(const std::string& relative, const std::string& bytes,
                           time_t modified) const {
    const std::string path = root_ + "/" + relative;
    std::ofstream(path, std::ios::binary) << bytes;
    if (modified != 0) {
        const timespec times[2] = {{modified, 0}, {modified, 0}};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
}

std::string DosMachine::readFile(const std::string& relative) const {
    std::ifstream file(root_ + "/" + relative, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void DosMachine::makeDirectory(const std::string& relative) const {
    std::filesystem::create_directories(root_ + "/" + relative);
}

void DosMachine::connect(LinkContext* ctx, int timeoutSetting) const {
    connect_com1(ctx, link_, timeoutSetting);
}

int DosMachine::openLine() const {
    const int fd = open(link_.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}
