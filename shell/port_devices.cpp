#include "shell/port_devices.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace {
std::string realPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::string stableNameOf(const std::string& device, const std::string& byIdFolder) {
    DIR* folder = opendir(byIdFolder.c_str());
    if (folder == nullptr) return {};
    std::string found;
    while (dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (realPath(byIdFolder + "/" + name) == device) {
            found = name;
            break;
        }
    }
    closedir(folder);
    return found;
}
}  // namespace

PortDevice probePortDevice(const std::string& path, const std::string& byIdFolder) {
    PortDevice device{path, {}, PortDevice::Missing};
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return device;
    if (!S_ISCHR(status.st_mode)) {
        device.state = PortDevice::NotADevice;
        return device;
    }
    device.stableName = stableNameOf(realPath(path), byIdFolder);
    device.state =
        access(path.c_str(), R_OK | W_OK) == 0 ? PortDevice::Ready : PortDevice::NoPermission;
    return device;
}

std::string portDeviceLine(const PortDevice& device) {
    std::string line = device.path;
    if (!device.stableName.empty()) line += " (" + device.stableName + ")";
    switch (device.state) {
        case PortDevice::Ready:
            return line + ": ready";
        case PortDevice::Missing:
            return line + ": not found";
        case PortDevice::NoPermission:
            return line + ": no permission (add your user to the dialout group)";
        case PortDevice::NotADevice:
            return line + ": not a serial device";
    }
    return line;
}
