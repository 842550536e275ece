#include "dos/sim/dos_endpoint.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int DEVICE_PORT = 1;  // the device is COM1 of the endpoint's own port table

std::string systemMessage(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// The slave's settings outlive our short open, so whoever opens it next finds a raw 8-bit line.
bool makeSlaveRaw(const char* slavePath) {
    const int slave = open(slavePath, O_RDWR | O_NOCTTY);
    if (slave < 0) return false;
    termios t{};
    const bool ok =
        tcgetattr(slave, &t) == 0 && (cfmakeraw(&t), tcsetattr(slave, TCSANOW, &t) == 0);
    close(slave);
    return ok;
}

}  // namespace

bool dos_open_pty(const std::string& linkPath, DosEndpoint* endpoint, std::string* error) {
    struct stat existing {};
    if (lstat(linkPath.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            *error = linkPath + ": exists and is not a symbolic link; choose another --pty path";
            return false;
        }
        unlink(linkPath.c_str());  // left behind by an earlier run
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        *error = systemMessage("posix_openpt");
        return false;
    }
    const char* slavePath =
        (grantpt(master) == 0 && unlockpt(master) == 0) ? ptsname(master) : nullptr;
    if (slavePath == nullptr || !makeSlaveRaw(slavePath)) {
        *error = systemMessage("pseudo-terminal set-up");
        close(master);
        return false;
    }
    if (symlink(slavePath, linkPath.c_str()) != 0) {
        *error = systemMessage(linkPath);
        close(master);
        return false;
    }
    endpoint->fd = master;
    endpoint->linkPath = linkPath;
    return true;
}

bool dos_open_device(const std::string& path, int baudRate, DosEndpoint* endpoint,
                     std::string* error) {
    if (path.size() >= PORT_PATH_MAX) {
        *error = path + ": device path too long";
        return false;
    }
    std::memcpy(endpoint->portPaths[DEVICE_PORT], path.c_str(), path.size() + 1);
    endpoint->io.portPaths = endpoint->portPaths;
    // One stop bit, as velmo uses by default.
    const int rc =
        k_port_open(DEVICE_PORT, baudRate, STOP_BITS_ONE, &endpoint->deviceHandle, &endpoint->io);
    if (rc != 0) {
        const int err = endpoint->io.systemError;
        *error =
            path + ": " +
            (err == EACCES ? std::string("permission denied (add your user to the dialout group)")
             : err != 0    ? std::string(std::strerror(err))
                           : std::string("cannot be set up as a serial line"));
        return false;
    }
    endpoint->fd = endpoint->deviceHandle;
    return true;
}

void dos_close_endpoint(DosEndpoint* endpoint) {
    if (endpoint->deviceHandle != PORT_NONE) {
        k_port_close(&endpoint->deviceHandle, &endpoint->io);
    } else if (endpoint->fd >= 0) {
        close(endpoint->fd);
    }
    endpoint->fd = -1;
    if (!endpoint->linkPath.empty()) unlink(endpoint->linkPath.c_str());
    endpoint->linkPath.clear();
}
