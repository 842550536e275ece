#include "support/tcp_line.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "link/wire_format.h"
#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/raw_line.h"

namespace {

constexpr int LISTEN_SECONDS = 20;

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

}  // namespace

TcpLine::TcpLine(const std::string& directory) : path_(directory + "/COM1"), port_(freePort()) {
    const std::string log = directory + "/socat.log";
    socat_ = spawn_logged({"socat", "-d", "-d", "pty,raw,echo=0,link=" + path_,
                           "tcp-listen:" + std::to_string(port_) + ",bind=127.0.0.1,reuseaddr"},
                          log);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(LISTEN_SECONDS);
    while (fileBytes(log).find("listening on") == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "socat did not listen: " << fileBytes(log);
            stop_child(&socat_, SIGKILL);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TcpLine::~TcpLine() {
    stop_child(&socat_, SIGKILL);
}

void TcpLine::configureVelmo(const std::string& directory) const {
    std::ofstream(directory + "/PRM232C.TXT", std::ios::binary)
        << "COM1=" << path_ << "\r\nBAUDRATE=115200\r\nTIMEOUT=10\r\n";
}

// VELMOD is serving once a command gets its answer. A frame sent before VELMOD set up its
// UART is lost there, so the command is repeated until one is answered.
bool TcpLine::waitForVelmod(int seconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        RawLine line(open(path_.c_str(), O_RDWR | O_NOCTTY));
        std::vector<std::string> lines;
        std::string prompt;
        if (line.frame(0, "cd") == Bytes{ACK} && line.answer(&lines, &prompt)) return true;
    }
    return false;
}
