#include "dos/pc/switches.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct SwitchCase {
    const char* tail;
    SwitchResult result;
    int port;
    uint32_t rate;
    MachineChoice machine;
    const char* word;  // the switch a problem is about
};

class SwitchesTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(SwitchesTest, ParsesTheCommandTail) {
    const SwitchCase& c = GetParam();
    VelmodSwitches switches;
    SwitchProblem problem;
    ASSERT_EQ(parse_switches(c.tail, uint32_t(std::strlen(c.tail)), &switches, &problem), c.result);
    if (c.result == SwitchResult::Run) {
        EXPECT_EQ(switches.port, c.port);
        EXPECT_EQ(switches.rate, c.rate);
        EXPECT_EQ(switches.machine, c.machine);
    }
    if (c.result == SwitchResult::Bad) {
        EXPECT_EQ(std::string(problem.word, problem.wordLength), c.word);
        EXPECT_GT(std::strlen(problem.message), 0u);
    }
}

constexpr auto RUN = SwitchResult::Run;
constexpr auto BAD = SwitchResult::Bad;
constexpr auto DETECT = MachineChoice::Detect;

INSTANTIATE_TEST_SUITE_P(
    Tails, SwitchesTest,
    ::testing::Values(SwitchCase{"", RUN, 1, 9600, DETECT, ""},
                      SwitchCase{" /p:2 /b:115200", RUN, 2, 115200, DETECT, ""},
                      SwitchCase{" /P:4/B:1200/98", RUN, 4, 1200, MachineChoice::Pc98, ""},
                      SwitchCase{" /at /AT", RUN, 1, 9600, MachineChoice::At, ""},
                      SwitchCase{" /?", SwitchResult::Help, 1, 9600, DETECT, ""},
                      SwitchCase{" /X", BAD, 1, 9600, DETECT, "/X"},
                      SwitchCase{" COM1", BAD, 1, 9600, DETECT, "COM1"},
                      SwitchCase{" /P:5", BAD, 1, 9600, DETECT, "/P:5"},
                      SwitchCase{" /P:0", BAD, 1, 9600, DETECT, "/P:0"},
                      SwitchCase{" /P", BAD, 1, 9600, DETECT, "/P"},
                      SwitchCase{" /B:fast", BAD, 1, 9600, DETECT, "/B:fast"},
                      SwitchCase{" /B:115201", BAD, 1, 9600, DETECT, "/B:115201"},
                      SwitchCase{" /B:99999999999", BAD, 1, 9600, DETECT, "/B:99999999999"},
                      SwitchCase{" /AT /98", BAD, 1, 9600, DETECT, "/98"}));

}  // namespace
