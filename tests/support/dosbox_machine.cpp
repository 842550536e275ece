#include "support/dosbox_machine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "link/wire_format.h"
#include "support/file_bytes.h"
#include "support/floppy_image.h"
#include "support/raw_line.h"

namespace fs = std::filesystem;

namespace {

constexpr int START_SECONDS = 20;

// A TCP port nobody listens on now: the kernel's choice for a socket bound to port 0.
int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

pid_t spawn(std::vector<std::string> args, const std::string& log,
            const std::vector<std::string>& environment = {}) {
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
        std::FILE* out = std::freopen(log.c_str(), "w", stderr);
        if (!out || !std::freopen(log.c_str(), "a", stdout)) _exit(126);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t* pid) {
    if (*pid <= 0) return;
    kill(*pid, SIGKILL);
    waitpid(*pid, nullptr, 0);
    *pid = -1;
}

}  // namespace

DosboxMachine::DosboxMachine(const DosboxOptions& options) {
    char pattern[] = "/tmp/velmod-dosbox-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
        return;
    }
    dir_ = pattern;
    driveC_ = dir_ + "/C";
    driveD_ = dir_ + "/D";
    line_ = dir_ + "/COM1";
    fs::create_directory(driveC_);
    fs::create_directory(driveD_);
    if (options.program.empty()) {
        fs::copy_file(VELMOD_COM, driveC_ + "/VELMOD.COM");
    } else {
        std::ofstream(driveC_ + "/VELMOD.COM", std::ios::binary) << options.program;
    }
    if (options.prepare) options.prepare(driveC_);

    const int port = options.lineless ? 0 : freePort();
    if (!options.lineless && !startSocat(port)) return;
    startDosbox(options, port);
    if (!options.lineless && !waitForVelmod()) {
        ADD_FAILURE() << "VELMOD did not come up; its screen: " << stopAndReadScreen();
    }
}

bool DosboxMachine::startSocat(int port) {
    const std::string log = dir_ + "/socat.log";
    socat_ = spawn({"socat", "-d", "-d", "pty,raw,echo=0,link=" + line_,
                    "tcp-listen:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr"},
                   log);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(START_SECONDS);
    while (fileBytes(log).find("listening on") == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "socat did not listen: " << fileBytes(log);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void DosboxMachine::startDosbox(const DosboxOptions& options, int port) {
    const std::string conf = dir_ + "/dosbox.conf";
    std::ofstream out(conf);
    out << "[sdl]\noutput=surface\n"
        << "[cpu]\ncore=normal\ncycles=max\n"
        << "[mixer]\nnosound=true\n"
        << "[speaker]\npcspeaker=false\n"
        << "[serial]\nserial1="
        << (options.lineless
                ? std::string("disabled")
                : "nullmodem server:127.0.0.1 port:" + std::to_string(port) + " transparent:1")
        << "\nserial2=disabled\nserial3=disabled\nserial4=disabled\n"
        << "[autoexec]\n"
        << "mount c " << driveC_ << "\n"
        << "mount d " << driveD_ << "\n";
    if (options.floppyFreeBytes) {
        const std::string image = dir_ + "/A.IMG";
        EXPECT_TRUE(write_floppy_image(image, FLOPPY_FREE_BYTES - options.floppyFreeBytes));
        out << "imgmount a " << image << " -t floppy\n";
    }
    if (options.readOnlyE) {
        fs::create_directory(dir_ + "/E");
        out << "mount e " << dir_ << "/E -t cdrom\n";
    }
    out << "c:\n"
        << "VELMOD.COM " << options.switches << " > D:\\SCREEN.TXT\n";
    if (options.lineless) {
        out << "IF ERRORLEVEL 1 GOTO failed\necho 0 > D:\\EXIT.TXT\nexit\n"
            << ":failed\necho 1 > D:\\EXIT.TXT\nexit\n";
    }
    out.close();
    dosbox_ = spawn({"dosbox", "-conf", conf, "-noconsole"}, dir_ + "/dosbox.log",
                    {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"});
}

DosboxMachine::~DosboxMachine() {
    stop(&dosbox_);
    stop(&socat_);
    if (!dir_.empty()) {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
}

void DosboxMachine::configureVelmo(const std::string& directory) const {
    std::ofstream(directory + "/PRM232C.TXT", std::ios::binary)
        << "COM1=" << line_ << "\r\nBAUDRATE=115200\r\nTIMEOUT=10\r\n";
}

// VELMOD is serving once a command gets its answer. A frame sent before VELMOD set up its
// UART is lost there, so the command is repeated until one is answered.
bool DosboxMachine::waitForVelmod() const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(START_SECONDS);
    while (std::chrono::steady_clock::now() < deadline) {
        RawLine line(open(line_.c_str(), O_RDWR | O_NOCTTY));
        std::vector<std::string> lines;
        std::string prompt;
        if (line.frame(0, "cd") == Bytes{ACK} && line.answer(&lines, &prompt)) return true;
    }
    return false;
}

bool DosboxMachine::waitForDosboxEnd(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (waitpid(dosbox_, nullptr, WNOHANG) != dosbox_) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    dosbox_ = -1;
    return true;
}

std::string DosboxMachine::stopAndReadScreen() {
    if (dosbox_ > 0) {
        kill(dosbox_, SIGTERM);
        if (!waitForDosboxEnd(START_SECONDS)) stop(&dosbox_);
    }
    return fileBytes(driveD_ + "/SCREEN.TXT");
}

int DosboxMachine::exitCode() {
    if (dosbox_ > 0 && !waitForDosboxEnd(START_SECONDS)) return -1;
    const std::string code = fileBytes(driveD_ + "/EXIT.TXT");
    return code.empty() ? -1 : code[0] - '0';
}
