// VELMOD.COM on an emulated PC-98: the real program's PC-98 path against the serial model,
// through velmo --batch or a raw line, at the rates and on the machines the README names.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "pc98_machine.h"
#include "support/pty_pair.h"
#include "support/raw_line.h"
#include "support/temp_working_directory.h"
#include "support/velmod_session.h"
#include "wire/wire_format.h"

namespace {

constexpr uint32_t CLOCK_5MHZ_FAMILY = 2457600, CLOCK_8MHZ_FAMILY = 1996800;

struct SessionCase {
    const char* name;
    Pc98Options options;
};

class Pc98SessionTest : public ::testing::TestWithParam<SessionCase> {
  protected:
    TempWorkingDirectory here;
};

TEST_P(Pc98SessionTest, CommandsAndTransfersOfASession) {
    Pc98Options options = GetParam().options;
    options.prepare = prepare_session_files;
    Pc98Machine pc98(options);
    check_session(pc98, here.path());
    EXPECT_EQ(pc98.fault(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Machines, Pc98SessionTest,
    ::testing::Values(
        SessionCase{"Pc9801At9600On8MhzClock",
                    {.switches = "/98 /B:9600", .timerClock = CLOCK_8MHZ_FAMILY, .pc9821 = false}},
        SessionCase{"Pc9821At9600", {.switches = "/B:9600"}},
        SessionCase{"Pc9821At19200", {.switches = "/B:19200", .lineRate = 19200}},
        SessionCase{"Pc9801At38400",
                    {.switches = "/98 /B:38400", .lineRate = 38400, .pc9821 = false}}),
    [](const auto& row) { return std::string(row.param.name); });

struct BadStart {
    const char* name;
    Pc98Options options;
    const char* screen;  // expected within VELMOD's screen
};

class Pc98StartTest : public ::testing::TestWithParam<BadStart> {};

TEST_P(Pc98StartTest, EndsWithExitCodeOneAndSaysWhy) {
    Pc98Machine pc98(GetParam().options);
    EXPECT_EQ(pc98.exitCode(), 1);
    const std::string screen = pc98.stopAndReadScreen();
    EXPECT_TRUE(contains(screen, GetParam().screen)) << screen << pc98.fault();
}

INSTANTIATE_TEST_SUITE_P(
    Starts, Pc98StartTest,
    ::testing::Values(
        BadStart{"RateTheTimerCannotMake",
                 {.switches = "/B:19200", .timerClock = CLOCK_8MHZ_FAMILY, .lineless = true},
                 "19200 bit/s cannot be set on this PC-98; the nearest rate is 17828 bit/s."},
        BadStart{"Pc9801WithoutSwitch",
                 {.switches = "/B:9600", .pc9821 = false, .lineless = true},
                 "start it with /AT or /98"}),
    [](const auto& row) { return std::string(row.param.name); });

// CS off while VELMOD sends an answer: it gives the answer up, and the bytes the 8251A still
// held do not go out when CS returns, ahead of the next command's ACK.
TEST(Pc98Line, CsHeldOffInAnAnswerLeavesNoStrayByte) {
    Pc98Machine pc98;
    RawLine line(open(pc98.linePath().c_str(), O_RDWR | O_NOCTTY));
    ASSERT_EQ(line.frame(0, "ver"), Bytes{ACK});
    ASSERT_EQ(readBytes(line.fd(), 2), (Bytes{ESC, 'R'}));
    pc98.setClearToSend(false);
    writeBytes(line.fd(), Bytes{ACK});
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // VELMOD waits 1 s for CS
    while (!line.quiet(300)) readBytes(line.fd(), 1);
    pc98.setClearToSend(true);
    EXPECT_TRUE(line.quiet(500)) << "a byte held from the given-up answer went out";

    std::string prompt;
    const std::vector<std::string> lines = line.command("ver", &prompt);
    EXPECT_TRUE(contains(lines.size() > 1 ? lines[1] : "", "MS-DOS Version 5.00"));
    EXPECT_EQ(pc98.fault(), "");
}

}  // namespace
