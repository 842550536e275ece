// The COM port on a POSIX terminal device. See serial/port.h for the principles of operation.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "files/reporter.h"
#include "serial/custom_speed.h"
#include "serial/port.h"

namespace {

constexpr int REPORT_KIND = 9;
constexpr int WRITE_WAIT_MS = 500;
constexpr int IDLE_POLL_MS = 10;

// Calls the wait hook once a poll period has passed since the last call, whether the period was
// silent or full of bytes: a far end that floods the line must not keep the window deaf.
class WaitHookPacer {
  public:
    explicit WaitHookPacer(const PortIo* io) : io_(io) {}
    void poll() {
        if (io_->waitIdle == nullptr) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < std::chrono::milliseconds(IDLE_POLL_MS)) return;
        last_ = now;
        io_->waitIdle();
    }

  private:
    const PortIo* io_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// An open with a port number outside 1..9 goes to the port of the last valid open.
int lastPort = COM_PORTS;

struct StandardSpeed {
    int bitsPerSecond;
    speed_t code;
};

constexpr StandardSpeed STANDARD_SPEEDS[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

const StandardSpeed* findStandardSpeed(int bitsPerSecond) {
    for (const StandardSpeed& speed : STANDARD_SPEEDS)
        if (speed.bitsPerSecond == bitsPerSecond) return &speed;
    return nullptr;
}

int fail(PortIo* io, const char* name, int code, int err, int first, int second) {
    io->systemError = err;
    k_fatal_error(REPORT_KIND, name, code, first, second);
    return code;
}

// Raw 8 data bits, no parity, no flow control of either kind, at the asked speed. Returns 0 or
// the errno of the failure.
int configureLine(int fd, int baudRate, int stopBits) {
    if (baudRate <= 0) return EINVAL;
    termios line{};
    if (tcgetattr(fd, &line) != 0) return errno;
    cfmakeraw(&line);
    line.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CLOCAL | CREAD;
    // One and a half stop bits do not exist here; two is the safe side of it.
    if (stopBits != STOP_BITS_ONE) line.c_cflag |= CSTOPB;
    line.c_iflag &= ~(IXON | IXOFF | IXANY);
    // VMIN 1 with O_NONBLOCK: no data is EAGAIN, so a read of 0 bytes can only mean hang-up.
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    const StandardSpeed* standard = findStandardSpeed(baudRate);
    if (standard && cfsetspeed(&line, standard->code) != 0) return errno;
    if (tcsetattr(fd, TCSANOW, &line) != 0) return errno;
    return standard ? 0 : k_set_custom_speed(fd, baudRate);
}

// USB adapters otherwise hold received bytes for their latency timer; refused quietly where
// the driver has no such setting (pseudo-terminals, most on-board UARTs).
void askLowLatency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0) return;
    serial.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &serial);
}

// Exclusive use: TIOCEXCL keeps other programs' opens out (root excepted), the lock also
// covers programs that open as root and cooperating tools that lock the device. A device
// already marked exclusive is another program's, even when root could open it anyway; only a
// mark this open set (*marked) may be cleared again.
int takeExclusive(int fd, bool* marked) {
    int held = 0;
    if (ioctl(fd, TIOCGEXCL, &held) == 0 && held != 0) return EBUSY;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return errno;
    if (ioctl(fd, TIOCEXCL) != 0) return errno;
    *marked = true;
    return 0;
}

// The errors after which the device is of no more use: it failed or was unplugged. Any other
// error is treated like a byte that did not come or a write that did not go.
bool deviceGone(int err) {
    return err == EIO || err == ENXIO || err == ENODEV;
}

int openPort(int port, int baudRate, int stopBits, int* handle, PortIo* io) {
    if (port >= 1 && port <= COM_PORTS) lastPort = port;
    std::snprintf(io->devicePath, sizeof io->devicePath, "%s", k_rs232c_device(io, lastPort));
    io->systemError = 0;
    io->cutWait = 0;
    *handle = PORT_NONE;

    int fd = open(io->devicePath, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(io, "k_rs232c2", 25, errno, errno, 0);
    bool marked = false;
    int err = takeExclusive(fd, &marked);
    if (err == 0) err = configureLine(fd, baudRate, stopBits <= 0 ? STOP_BITS_ONE : STOP_BITS_TWO);
    if (err != 0) {
        if (marked) ioctl(fd, TIOCNXCL);
        close(fd);
        return fail(io, "k_rs232c2", 25, err, err, 0);
    }
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIS, &lines);  // a pseudo-terminal has no modem lines
    askLowLatency(fd);
    tcflush(fd, TCIOFLUSH);
    *handle = fd;
    return 0;
}

int closePort(int* handle, PortIo* io) {
    if (*handle < 0) return fail(io, "k_rs232c2", 13, EBADF, 0, 0);
    int fd = *handle;
    *handle = PORT_NONE;  // never closed twice, whatever close says
    // The exclusive mark outlives this descriptor while anyone else holds the device open.
    ioctl(fd, TIOCNXCL);
    if (close(fd) != 0 && errno != EINTR) return fail(io, "k_rs232c2", 12, errno, 1, 0);
    return 0;
}

bool hungUp(short revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

int sendFailed(PortIo* io, int err) {
    return fail(io, "k_rs232c_send", deviceGone(err) ? PORT_FAILED : 20, err, 0, err);
}

}  // namespace

const char* k_rs232c_device(const PortIo* io, int port) {
    static char defaultPath[PORT_PATH_MAX];
    if (port < 1 || port > COM_PORTS) port = lastPort;
    if (io && io->portPaths && io->portPaths[port][0] != '\0') return io->portPaths[port];
    std::snprintf(defaultPath, sizeof defaultPath, "/dev/ttyS%d", port - 1);
    return defaultPath;
}

int k_rs232c2(int mode, int port, int baudRate, int stopBits, int /*xonXoff*/, int /*inQueue*/,
              int /*outQueue*/, int* handle, PortIo* io) {
    // Every caller passes 0 for XON/XOFF, and queue sizes have no POSIX counterpart.
    return mode == PORT_OPEN ? openPort(port, baudRate, stopBits, handle, io)
                             : closePort(handle, io);
}

int k_rs232c_send(int handle, PortIo* io, const void* bytes, int count) {
    static const char* const name = "k_rs232c_send";
    io->systemError = 0;  // an explanation belongs to the failure of this call only
    if (count <= 0) return fail(io, name, 10, EINVAL, count, 0);
    const auto* next = static_cast<const unsigned char*>(bytes);
    int remaining = count;
    while (remaining > 0) {
        ssize_t written = write(handle, next, size_t(remaining));
        if (written > 0) {
            next += written;
            remaining -= int(written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EAGAIN) return sendFailed(io, errno);
        pollfd wait{handle, POLLOUT, 0};
        int ready = poll(&wait, 1, WRITE_WAIT_MS);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return sendFailed(io, errno);
        if (ready == 0) return fail(io, name, 20, ETIMEDOUT, 0, ETIMEDOUT);
        if (hungUp(wait.revents)) return fail(io, name, PORT_FAILED, EIO, 0, EIO);
    }
    return 0;
}

int k_rs232c_receive2(int timeout, int handle, PortIo* io, void* buffer, int count, int* received) {
    static const char* const name = "k_rs232c_receive2";
    if (timeout < 0) timeout = 0;
    io->systemError = 0;  // an explanation belongs to the failure of this call only
    if (count <= 0) return fail(io, name, 10, EINVAL, count, 0);
    auto* into = static_cast<unsigned char*>(buffer);
    const long idleLimit = 10L * timeout;
    long idlePolls = 0;
    int total = 0;
    int lastError = ETIMEDOUT;  // what is said if nothing more comes
    WaitHookPacer waitHook(io);
    *received = 0;
    while (total < count) {
        waitHook.poll();
        // Checked before each read: bytes that keep coming must not hold a cancel off.
        if (io->cutWait) return PORT_WAIT_CUT;
        ssize_t got = read(handle, into + total, size_t(count - total));
        if (got > 0) {
            total += int(got);
            *received = total;
            idlePolls = 0;
            continue;
        }
        if (got == 0) return fail(io, name, PORT_FAILED, EIO, count, total);
        if (errno == EINTR) continue;
        if (deviceGone(errno)) return fail(io, name, PORT_FAILED, errno, count, total);
        if (errno == EAGAIN) {
            pollfd wait{handle, POLLIN, 0};
            const int ready = poll(&wait, 1, IDLE_POLL_MS);
            if (ready < 0 && errno == EINTR) continue;
            if (ready > 0 && (wait.revents & POLLIN)) continue;  // bytes first, a hang-up after
            if (ready > 0) return fail(io, name, PORT_FAILED, EIO, count, total);
            if (ready < 0) lastError = errno;
        } else {
            // A read that failed counts as one that found nothing, after the same pause.
            lastError = errno;
            poll(nullptr, 0, IDLE_POLL_MS);
        }
        if (++idlePolls > idleLimit) {
            if (total == 0) {
                io->systemError = lastError;  // the caller decides whether silence is a fault
                return PORT_NOTHING_RECEIVED;
            }
            return fail(io, name, PORT_PART_RECEIVED, lastError, count, total);
        }
    }
    return 0;
}

const char* k_rs232c_explain(const PortIo* io) {
    static char text[PORT_PATH_MAX + 128];
    if (!io || io->systemError == 0) return "";
    const char* reason;
    switch (io->systemError) {
        case EACCES:
        case EPERM:
            reason = "permission denied (add your user to the dialout group, then log in again)";
            break;
        case EBUSY:
        case EWOULDBLOCK:
            reason = "in use by another program";
            break;
        case ENOENT:
            reason = "no such device (check the COMn= line of PRM232C.TXT)";
            break;
        case ENOTTY:
            reason = "not a serial device";
            break;
        case EINVAL:
            reason = "the device refused the line settings (speed or stop bits)";
            break;
        case ETIMEDOUT:
            reason = "no answer from the other machine within the time-out";
            break;
        case EIO:
        case ENXIO:
        case ENODEV:
            reason = "the device failed or was disconnected";
            break;
        default:
            reason = std::strerror(io->systemError);
            break;
    }
    std::snprintf(text, sizeof text, "%s: %s", io->devicePath, reason);
    return text;
}
