// Serial port access: the only code that touches the COM port.
//
// Principles of operation: COMn names a device path (by default /dev/ttyS(n-1), or what a
// "COMn=PATH" line of the parameter file maps it to). The port is opened exclusively, set raw
// 8N1 with DTR and RTS raised and no flow control, and used non-blocking. A send waits at most
// 500 ms for each write to make progress. A receive reads an exact number of bytes and gives up
// after ten times the time-out count of consecutive empty 10 ms polls; each poll is a wait for
// data, so a byte is taken as soon as it arrives. A device that hangs up or fails while open
// (a USB adapter pulled out) ends a send or receive at once with PORT_FAILED.
//
// All three return 0 or a code; failures other than the receive's 2 are reported once through
// k_fatal_error with kind 9. The callers keep the port state (LinkContext.portOpen).
#pragma once

constexpr int COM_PORTS = 9;
constexpr int PORT_PATH_MAX = 256;
constexpr int PORT_NONE = -1;  // the port handle slot holds no open device

// A receive or send found the device gone or failing (hang-up, EIO): code of its own, so the
// caller stops at once instead of waiting out the time-out.
constexpr int PORT_FAILED = 30;

// Takes the place of the Windows OVERLAPPED block: what the port functions share per port.
struct PortIo {
    // COMn -> device path for n = 1..9 (index 0 unused); an empty entry means the default.
    const char (*portPaths)[PORT_PATH_MAX];
    char devicePath[PORT_PATH_MAX];  // the device of the last open
    int systemError;                 // errno of the last failure, for the user's message
};

// mode 0 opens and configures the port, any other mode closes it. Queue sizes have no POSIX
// counterpart and are accepted without effect. Open: 25 when the device cannot be opened.
// Close: 12 when closing failed, 13 when the slot held no open port.
int k_rs232c2(int mode, int port, int baudRate, int stopBits, int xonXoff, int inQueue,
              int outQueue, int* handle, PortIo* io);

// Writes all `count` bytes. 10 count <= 0; 20 a write failed or made no progress for 500 ms;
// PORT_FAILED the device is gone.
int k_rs232c_send(int handle, PortIo* io, const void* bytes, int count);

// Reads exactly `count` bytes; *received is the number read so far. 10 count <= 0; 2 idle
// time-out with nothing received (not reported); 25 idle time-out after part of the bytes;
// PORT_FAILED the device is gone.
int k_rs232c_receive2(int timeout, int handle, PortIo* io, void* buffer, int count,
                      int* received);

// The device path COMn opens: the mapped path, or /dev/ttyS(n-1).
const char* k_rs232c_device(const PortIo* io, int port);

// A one-line explanation of the last failure of `io` for the console (ASCII), e.g.
// "/dev/ttyUSB0: permission denied (add your user to the dialout group)". Empty when none.
const char* k_rs232c_explain(const PortIo* io);
