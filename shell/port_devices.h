// Which device a COMn choice opens on this machine and whether it could be opened, so that a
// user with a USB adapter can tell which COMn is theirs. Plain POSIX: stat, access, and the
// stable names udev keeps under /dev/serial/by-id.
#pragma once
#include <string>

struct PortDevice {
    enum State { Ready, Missing, NoPermission, NotADevice };
    std::string path;        // what COMn opens
    std::string stableName;  // its name under /dev/serial/by-id, empty when it has none
    State state = Missing;
};

PortDevice probePortDevice(const std::string& path,
                           const std::string& byIdFolder = "/dev/serial/by-id");

// One line for the dialog, e.g. "/dev/ttyUSB0 (usb-FTDI_FT232R_USB_UART_A1-if00-port0): ready".
std::string portDeviceLine(const PortDevice& device);
