// Where the simulated machine's end of the cable comes from: a new pseudo-terminal whose slave
// is linked at a path of the user's choice, or an existing serial device.
#pragma once
#include <string>

#include "serial/port.h"

struct DosEndpoint {
    int fd = -1;
    std::string linkPath;  // the symlink made for a pseudo-terminal, removed at close
    int deviceHandle = PORT_NONE;
    PortIo io{};
    char portPaths[COM_PORTS + 1][PORT_PATH_MAX] = {};
};

// Makes a raw pseudo-terminal and links its slave at `linkPath` (an existing symlink there is
// replaced, anything else is left alone and refused). false with `error` set on failure.
bool dos_open_pty(const std::string& linkPath, DosEndpoint* endpoint, std::string* error);
// Opens and sets up a serial device as velmo does its COM port.
bool dos_open_device(const std::string& path, int baudRate, DosEndpoint* endpoint,
                     std::string* error);
// Closes the line and removes the link made for a pseudo-terminal.
void dos_close_endpoint(DosEndpoint* endpoint);
