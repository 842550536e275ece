// The COM port over a real pseudo-terminal: the test holds the master end, the port functions
// open the slave as COM1.
#include "serial/port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "support/pty_pair.h"
#include "support/report_capture.h"

namespace {

using std::chrono::milliseconds;

class PortTest : public ::testing::Test {
  protected:
    PortTest() {
        io.portPaths = paths;
        mapPort(1, pty.slavePath());
    }
    ~PortTest() override {
        if (handle != PORT_NONE) k_port_close(&handle, &io);
    }

    void mapPort(int port, const std::string& path) {
        std::snprintf(paths[port], PORT_PATH_MAX, "%s", path.c_str());
    }
    int open(int port = 1, int baudRate = 9600, int stopBits = 0) {
        return k_port_open(port, baudRate, stopBits, &handle, &io);
    }
    int close() { return k_port_close(&handle, &io); }
    int receive(int timeout, void* buffer, int count) {
        return k_rs232c_receive2(timeout, handle, &io, buffer, count, &received);
    }

    PtyPair pty;
    char paths[COM_PORTS + 1][PORT_PATH_MAX] = {};
    PortIo io{};
    int handle = PORT_NONE;
    int received = -1;
};

TEST_F(PortTest, SecondOpenOfTheSameDeviceIsRefusedAsInUse) {
    ASSERT_EQ(open(), 0);
    int second = PORT_NONE;
    EXPECT_EQ(k_port_open(1, 9600, STOP_BITS_ONE, &second, &io), 25);
    EXPECT_EQ(second, PORT_NONE);
    std::string explained = k_rs232c_explain(&io);
    EXPECT_NE(explained.find("in use by another program"), std::string::npos) << explained;
    EXPECT_NE(explained.find(pty.slavePath()), std::string::npos) << explained;
}

TEST_F(PortTest, CloseReleasesTheDeviceAndASecondCloseGives13) {
    ASSERT_EQ(open(), 0);
    EXPECT_EQ(close(), 0);
    EXPECT_EQ(handle, PORT_NONE);
    EXPECT_EQ(close(), 13);
    // Closed means free for the next open, exclusive mark included.
    EXPECT_EQ(open(), 0);
}

TEST_F(PortTest, MissingDeviceFailsWithItsErrnoAndAnExplanation) {
    mapPort(2, "/dev/velmo-no-such-port");
    EXPECT_EQ(open(2), 25);
    EXPECT_EQ(io.systemError, ENOENT);
    EXPECT_EQ(std::string(k_rs232c_explain(&io)),
              "/dev/velmo-no-such-port: no such device "
              "(check the COMn= line of PRM232C.TXT)");
}

TEST_F(PortTest, PortNumberOutOfRangeUsesTheLastValidPort) {
    mapPort(3, pty.slavePath());
    ASSERT_EQ(open(3), 0);
    ASSERT_EQ(close(), 0);
    mapPort(3, "/dev/velmo-third");
    EXPECT_EQ(open(12), 25);
    EXPECT_EQ(std::string(io.devicePath), "/dev/velmo-third");
    EXPECT_EQ(std::string(k_rs232c_device(&io, 0)), "/dev/velmo-third");
    EXPECT_EQ(std::string(k_rs232c_device(&io, 5)), "/dev/ttyS4");  // unmapped: the default
}

struct LineCase {
    int baudRate;
    int stopBits;
    bool twoStopBits;
};

class PortLineTest : public PortTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(PortLineTest, OpensRaw8N1WithoutFlowControl) {
    ASSERT_EQ(open(1, GetParam().baudRate, GetParam().stopBits), 0) << k_rs232c_explain(&io);
    termios line{};
    ASSERT_EQ(tcgetattr(handle, &line), 0);
    EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ((line.c_cflag & CSTOPB) != 0, GetParam().twoStopBits);
}

INSTANTIATE_TEST_SUITE_P(SpeedsAndStopBits, PortLineTest,
                         ::testing::Values(LineCase{9600, 0, false}, LineCase{115200, 2, true},
                                           LineCase{31250, 0, false}, LineCase{9600, 1, true},
                                           LineCase{9600, 5, true}, LineCase{9600, -1, false}));

TEST_F(PortTest, SendAndReceiveCarryBytesUnchanged) {
    ASSERT_EQ(open(), 0);
    const uint8_t out[] = {0x1B, 0x43, 0x00, 0xFF, 0x0D, 0x0A, 0x11, 0x13};
    ASSERT_EQ(k_rs232c_send(handle, &io, out, sizeof out), 0);
    EXPECT_EQ(readBytes(pty.master(), sizeof out), std::vector<uint8_t>(out, out + sizeof out));

    writeBytes(pty.master(), out, sizeof out);
    uint8_t in[sizeof out] = {};
    ASSERT_EQ(receive(8, in, sizeof in), 0);
    EXPECT_EQ(received, int(sizeof in));
    EXPECT_EQ(std::vector<uint8_t>(in, in + sizeof in),
              std::vector<uint8_t>(out, out + sizeof out));
}

// A far end that never falls silent must not hold a cancel off until the time-out.
TEST_F(PortTest, ACutWaitEndsAReceiveEvenWhileBytesKeepComing) {
    ASSERT_EQ(open(), 0);
    writeBytes(pty.master(), "noise", 5);
    io.cutWait = 1;
    uint8_t bytes[5] = {};
    EXPECT_EQ(receive(8, bytes, 5), PORT_WAIT_CUT);
}

int waitHookCalls = 0;

// The window lets its events through from this hook; a flood must not starve it.
TEST_F(PortTest, TheWaitHookRunsWhileBytesKeepComing) {
    ASSERT_EQ(open(), 0);
    waitHookCalls = 0;
    io.waitIdle = [] { ++waitHookCalls; };
    ScriptedPeer flood(pty.master(), [](int fd) {
        for (int i = 0; i < 200; ++i) {
            std::this_thread::sleep_for(milliseconds(1));
            writeBytes(fd, "x", 1);
        }
    });
    char bytes[200] = {};
    EXPECT_EQ(receive(8, bytes, 200), 0);
    EXPECT_GT(waitHookCalls, 0);
}

TEST_F(PortTest, ZeroBytesAreRefusedWith10) {
    ASSERT_EQ(open(), 0);
    uint8_t byte = 0;
    EXPECT_EQ(k_rs232c_send(handle, &io, &byte, 0), 10);
    EXPECT_EQ(receive(8, &byte, 0), 10);
    EXPECT_TRUE(readBytes(pty.master(), 1, 100).empty());
}

TEST_F(PortTest, SilenceGives2UnreportedPartOfTheBytesGive25Reported) {
    ReportCapture capture;
    ASSERT_EQ(open(), 0);
    uint8_t bytes[3] = {};
    EXPECT_EQ(receive(1, bytes, 1), 2);
    EXPECT_EQ(received, 0);
    EXPECT_TRUE(capture.reports().empty());
    writeBytes(pty.master(), "x", 1);
    EXPECT_EQ(receive(1, bytes, 3), 25);
    EXPECT_EQ(received, 1);
    EXPECT_EQ(bytes[0], 'x');
    auto reports = capture.from("k_rs232c_receive2");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, 25);
    EXPECT_EQ(reports[0].second, 3);
    EXPECT_EQ(reports[0].third, 1);
}

TEST_F(PortTest, DeviceInUseIsReportedWithItsErrno) {
    ASSERT_EQ(open(), 0);
    ReportCapture capture;
    int second = PORT_NONE;
    EXPECT_EQ(k_port_open(1, 9600, STOP_BITS_ONE, &second, &io), 25);
    auto reports = capture.from("k_rs232c2");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, 25);
    EXPECT_EQ(reports[0].second, EBUSY);  // the first open marked it exclusive
}

// Another program holds the device exclusively (velmo may run as root, whom TIOCEXCL does not
// stop): the open is refused and that program's exclusive mode stays as it was.
TEST_F(PortTest, RefusedOpenLeavesTheHoldersExclusiveModeAlone) {
    const int holder = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    ASSERT_EQ(ioctl(holder, TIOCEXCL), 0);
    EXPECT_EQ(open(), 25);
    int exclusive = 0;
    EXPECT_EQ(ioctl(holder, TIOCGEXCL, &exclusive), 0);
    EXPECT_NE(exclusive, 0);
    EXPECT_NE(std::string(k_rs232c_explain(&io)).find("in use"), std::string::npos);
    ::close(holder);
}

// A receive that timed out and a later one that succeeded: nothing is left to explain.
TEST_F(PortTest, ExplanationBelongsToTheLastCallOnly) {
    ASSERT_EQ(open(), 0);
    uint8_t byte = 0;
    EXPECT_EQ(receive(0, &byte, 1), 2);
    EXPECT_NE(std::string(k_rs232c_explain(&io)), "");
    writeBytes(pty.master(), "x", 1);
    EXPECT_EQ(receive(8, &byte, 1), 0);
    EXPECT_EQ(std::string(k_rs232c_explain(&io)), "");
}

TEST_F(PortTest, TimeoutCountZeroGivesUpAfterTheFirstEmptyPoll) {
    ASSERT_EQ(open(), 0);
    ScriptedPeer late(pty.master(), [](int fd) {
        std::this_thread::sleep_for(milliseconds(500));
        writeBytes(fd, "x", 1);
    });
    uint8_t byte = 0;
    EXPECT_EQ(receive(0, &byte, 1), 2);
    EXPECT_EQ(received, 0);
}

TEST_F(PortTest, EveryArrivingByteRestartsTheIdleTimeout) {
    ASSERT_EQ(open(), 0);
    // Five bytes 60 ms apart take longer than the 0.1 s of silence allowed, but no gap does.
    ScriptedPeer trickle(pty.master(), [](int fd) {
        for (char c : std::string("abcde")) {
            std::this_thread::sleep_for(milliseconds(60));
            writeBytes(fd, &c, 1);
        }
    });
    char bytes[5] = {};
    EXPECT_EQ(receive(1, bytes, 5), 0);
    EXPECT_EQ(std::string(bytes, 5), "abcde");
}

TEST_F(PortTest, HangUpEndsAReceiveAtOnceWithPortFailed) {
    ASSERT_EQ(open(), 0);
    ScriptedPeer vanish(pty.master(), [](int) {});
    std::thread closer([this] {
        std::this_thread::sleep_for(milliseconds(100));
        pty.closeMaster();
    });
    // With 100 s of allowed silence, only the hang-up can end this receive with 30.
    uint8_t byte = 0;
    EXPECT_EQ(receive(1000, &byte, 1), PORT_FAILED);
    closer.join();
    EXPECT_NE(std::string(k_rs232c_explain(&io)).find("disconnected"), std::string::npos);
}

TEST_F(PortTest, HangUpEndsASendWithPortFailed) {
    ASSERT_EQ(open(), 0);
    pty.closeMaster();
    EXPECT_EQ(k_rs232c_send(handle, &io, "x", 1), PORT_FAILED);
}

struct ExplainCase {
    int error;
    const char* expected;
};

class ExplainTest : public ::testing::TestWithParam<ExplainCase> {};

TEST_P(ExplainTest, NamesTheDeviceAndTheCause) {
    PortIo io{};
    std::snprintf(io.devicePath, sizeof io.devicePath, "/dev/ttyUSB0");
    io.systemError = GetParam().error;
    EXPECT_EQ(std::string(k_rs232c_explain(&io)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, ExplainTest,
    ::testing::Values(
        ExplainCase{0, ""},
        ExplainCase{EACCES,
                    "/dev/ttyUSB0: permission denied (add your user to the dialout group, then "
                    "log in again)"},
        ExplainCase{EBUSY, "/dev/ttyUSB0: in use by another program"},
        ExplainCase{EWOULDBLOCK, "/dev/ttyUSB0: in use by another program"},
        ExplainCase{ENOENT, "/dev/ttyUSB0: no such device (check the COMn= line of PRM232C.TXT)"},
        ExplainCase{EIO, "/dev/ttyUSB0: the device failed or was disconnected"}));

}  // namespace
