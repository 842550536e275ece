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
// All three return 0 or a code; failures other than PORT_NOTHING_RECEIVED are reported once through
// k_fatal_error with kind 9. The callers keep the port state (LinkContext.portOpen).
#pragma once
#include <csignal>

constexpr int COM_PORTS = 9;
constexpr int PORT_PATH_MAX = 256;
constexpr int PORT_NONE = -1;  // the port handle slot holds no open device

// A receive or send found the device gone or failing (hang-up, EIO): code of its own, so the
// caller stops at once instead of waiting out the time-out.
constexpr int PORT_FAILED = 30;

// A receive's idle time-out: nothing arrived (not reported; a caller may be waiting for
// silence), or only part of the bytes asked for.
constexpr int PORT_NOTHING_RECEIVED = 2;
constexpr int PORT_PART_RECEIVED = 25;

// A receive whose wait was cut short through PortIo.cutWait (the user cancelled while the far
// end kept the idle time-out alive). Not reported: the caller shows the cancel.
constexpr int PORT_WAIT_CUT = 31;

// Takes the place of the Windows OVERLAPPED block: what the port functions share per port.
struct PortIo {
    // COMn -> device path for n = 1..9 (index 0 unused); an empty entry means the default.
    const char (*portPaths)[PORT_PATH_MAX];
    char devicePath[PORT_PATH_MAX];  // the device of the last open
    int systemError;                 // errno of the last failure, for the user's message
    // Set from a signal handler to end a receive's wait at its next poll; cleared by each open.
    volatile sig_atomic_t cutWait;
    // Called about once a poll period while a receive waits or reads, or null: the window lets
    // its events through there, so that its Cancel can set cutWait while a tick is on the line.
    void (*waitIdle)();
};

// The modes of k_rs232c2.
constexpr int PORT_OPEN = 0;
constexpr int PORT_CLOSE = 2;  // any mode but PORT_OPEN closes

// The stop-bit codes of k_rs232c2 and LinkContext.stopBits (one and a half is taken as two).
constexpr int STOP_BITS_ONE = 0;
constexpr int STOP_BITS_ONE_AND_A_HALF = 1;
constexpr int STOP_BITS_TWO = 2;

// What every open asks for besides port, speed and stop bits: no XON/XOFF, and the queue sizes
// of the original program (they have no POSIX counterpart).
constexpr int PORT_XON_XOFF = 0;
constexpr int PORT_IN_QUEUE = 8192;
constexpr int PORT_OUT_QUEUE = 5120;

// PORT_OPEN opens and configures the port, any other mode closes it. Queue sizes are accepted
// without effect. Open: 25 when the device cannot be opened. Close: 12 when closing failed,
// 13 when the slot held no open port.
int k_rs232c2(int mode, int port, int baudRate, int stopBits, int xonXoff, int inQueue,
              int outQueue, int* handle, PortIo* io);

// The one way to open and close a port: k_rs232c2 with the settings every caller uses.
inline int k_port_open(int port, int baudRate, int stopBits, int* handle, PortIo* io) {
    return k_rs232c2(PORT_OPEN, port, baudRate, stopBits, PORT_XON_XOFF, PORT_IN_QUEUE,
                     PORT_OUT_QUEUE, handle, io);
}
inline int k_port_close(int* handle, PortIo* io) {
    return k_rs232c2(PORT_CLOSE, 0, 0, STOP_BITS_ONE, PORT_XON_XOFF, PORT_IN_QUEUE, PORT_OUT_QUEUE,
                     handle, io);
}

// Writes all `count` bytes. 10 count <= 0; 20 a write failed or made no progress for 500 ms;
// PORT_FAILED the device is gone.
int k_rs232c_send(int handle, PortIo* io, const void* bytes, int count);

// Reads exactly `count` bytes; *received is the number read so far. 10 count <= 0;
// PORT_NOTHING_RECEIVED or PORT_PART_RECEIVED at the idle time-out; PORT_FAILED the device is
// gone; PORT_WAIT_CUT the wait was cut short (not reported).
int k_rs232c_receive2(int timeout, int handle, PortIo* io, void* buffer, int count, int* received);

// The device path COMn opens: the mapped path, or /dev/ttyS(n-1).
const char* k_rs232c_device(const PortIo* io, int port);

// A one-line explanation of the last failure of `io` for the console (ASCII), e.g.
// "/dev/ttyUSB0: permission denied (add your user to the dialout group)". Empty when none.
const char* k_rs232c_explain(const PortIo* io);
