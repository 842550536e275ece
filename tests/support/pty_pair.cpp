#include "support/pty_pair.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/link_context.h"

static void makeRaw(int fd) {
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

PtyPair::PtyPair() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "openpty: " << std::strerror(errno);
        return;
    }
    makeRaw(master_);
    makeRaw(slave_);
    slavePath_ = name;
}

PtyPair::~PtyPair() {
    closeMaster();
    if (slave_ >= 0) close(slave_);
}

void PtyPair::closeMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
}

void PtyPair::connect(LinkContext* ctx, int timeoutSetting) const {
    connect_com1(ctx, slavePath_, timeoutSetting);
}

void connect_com1(LinkContext* ctx, const std::string& device, int timeoutSetting) {
    ctx->comPort = 1;
    std::snprintf(ctx->portPaths[1], sizeof ctx->portPaths[1], "%s", device.c_str());
    ctx->timeoutSetting = timeoutSetting;
}

std::vector<uint8_t> readBytes(int fd, size_t n, int timeoutMs) {
    std::vector<uint8_t> out;
    while (out.size() < n) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) break;
        uint8_t buffer[4096];
        size_t want = std::min(n - out.size(), sizeof buffer);
        ssize_t got = read(fd, buffer, want);
        if (got <= 0) break;
        out.insert(out.end(), buffer, buffer + got);
    }
    return out;
}

void writeBytes(int fd, const void* bytes, size_t n) {
    auto* p = static_cast<const uint8_t*>(bytes);
    while (n > 0) {
        ssize_t put = write(fd, p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno == EAGAIN) {
            pollfd w{fd, POLLOUT, 0};
            poll(&w, 1, 100);
            continue;
        }
        if (put <= 0) return;
        p += put;
        n -= size_t(put);
    }
}

void writeBytes(int fd, const std::vector<uint8_t>& bytes) {
    writeBytes(fd, bytes.data(), bytes.size());
}

ScriptedPeer::ScriptedPeer(int masterFd, std::function<void(int)> script)
    : thread_([masterFd, script = std::move(script)] { script(masterFd); }) {}

ScriptedPeer::~ScriptedPeer() {
    join();
}

void ScriptedPeer::join() {
    if (thread_.joinable()) thread_.join();
}
