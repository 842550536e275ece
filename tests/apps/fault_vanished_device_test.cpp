// The far end disappears in the middle of a GET or a PUT (velmo-dos killed, its side of the
// pseudo-terminal gone): an error line at once, the port closed, no busy loop while velmo
// waits for the next command, and the next command opens the port again once the device is
// back on the same link.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "fault_rig.h"
#include "support/temp_working_directory.h"

namespace {

using namespace fault;
using std::chrono::steady_clock;

constexpr long IDLE_TICKS_MAX = 10;  // 0.1 s of CPU in 5 s at 100 ticks a second

class VanishedDevice : public ::testing::TestWithParam<bool> {};

TEST_P(VanishedDevice, ErrorAtOnceThenIdleThenReconnects) {
    const bool put = GetParam();
    TempWorkingDirectory work;
    const fs::path velmoDir = work.path() / "velmo";
    fs::create_directories(velmoDir / "in");
    // 2000 bytes a second: the 40 000-byte file takes 20 s, long enough to pull the plug.
    DosProcess dos{work.path() / "A", work.path() / "COM1", {"--line-rate", "20000"}};
    writeFile((put ? velmoDir : work.path() / "A") / "BIG.BIN", randomBytes(6, 40000));
    // A time-out far longer than "at once", so that only the hang-up can end the GET in time.
    writeSettings(velmoDir, dos.link(), 10);
    const std::string device = fs::canonical(dos.link()).string();

    BatchVelmo velmo(velmoDir);
    velmo.type(put ? "#PUT BIG.BIN" : "#GET BIG.BIN in/");
    ASSERT_TRUE(velmo.waitForOutput(put ? "--> MS-DOS" : "<-- MS-DOS", 10)) << velmo.output();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto pulled = steady_clock::now();
    dos.kill();
    ASSERT_TRUE(velmo.waitForOutput("-error, code=0x", 5)) << velmo.output();
    EXPECT_LT(steady_clock::now() - pulled, std::chrono::seconds(2));
    if (!put) {
        EXPECT_EQ(countLines(velmo.output(), "*Incomplete: BIG.BIN"), 1) << velmo.output();
    }
    EXPECT_EQ(velmo.descriptorsOn(device), 0) << "the port is still open";

    const long before = velmo.cpuTicks();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    EXPECT_LE(velmo.cpuTicks() - before, IDLE_TICKS_MAX) << "velmo is busy while idle";

    dos.start();
    velmo.type("ver");
    EXPECT_TRUE(velmo.waitForOutput("Velmo-DOS Version", 10)) << velmo.output();
    EXPECT_EQ(velmo.finish(), 1);  // the transfer failed
    EXPECT_EQ(countLines(velmo.output(), "-error, code=0x"), 1) << velmo.output();
}

INSTANTIATE_TEST_SUITE_P(InTransfer, VanishedDevice, ::testing::Bool(),
                         [](const auto& row) { return std::string(row.param ? "Put" : "Get"); });

}  // namespace
