// The start, end and progress lines of both transfers, and the clock readings behind them.
#include "link/transfer_messages.h"

#include "link/transfer_fixture.h"
#include "link/transfer_support.h"

namespace {

constexpr const char* TIME = "2000/01/15 12:30:00";

struct StartLine {
    TransferDirection direction;
    const char* localName;
    const char* dosName;
    uint32_t size;
    const char* expected;
};

class StartLineTest : public ::testing::TestWithParam<StartLine> {};

TEST_P(StartLineTest, ShowsTheFileAndShortensLongPaths) {
    const StartLine& row = GetParam();
    char line[TRANSFER_LINE_SIZE];
    const int length =
        k_start_line(line, sizeof line, row.direction, row.localName, row.dosName, row.size, TIME);
    EXPECT_STREQ(line, row.expected);
    EXPECT_EQ(length, int(std::strlen(row.expected)));
}

const std::string longName = "/" + std::string(70, 'X');
const std::string longLine = "*[" + longName + "] <-- MS-DOS[X 1] " + TIME;

INSTANTIATE_TEST_SUITE_P(
    Lines, StartLineTest,
    ::testing::Values(
        StartLine{TransferDirection::FromDos, "/TEMP/A.TXT", "A.TXT", 3,
                  "*[/TEMP/A.TXT] <-- MS-DOS[A.TXT 3] 2000/01/15 12:30:00"},
        StartLine{TransferDirection::ToDos, "/TEMP/A.TXT", "A.TXT", 3,
                  "*[/TEMP/A.TXT 3] --> MS-DOS 2000/01/15 12:30:00"},
        StartLine{TransferDirection::FromDos,
                  "/DATA/PROJECTS/2000/REPORTS/MONTHLY/QUARTERLY/SUMMARY.TXT", "SUMMARY.TXT",
                  123456, "*[/.../SUMMARY.TXT] <-- MS-DOS[SUMMARY.TXT 123456] 2000/01/15 12:30:00"},
        StartLine{TransferDirection::ToDos,
                  "data/projects/2000/reports/monthly/quarterly/regional/SUMMARY.TXT", "", 7,
                  "*[data/.../SUMMARY.TXT 7] --> MS-DOS 2000/01/15 12:30:00"},
        StartLine{TransferDirection::FromDos, longName.c_str(), "X", 1, longLine.c_str()},
        StartLine{TransferDirection::FromDos, "B.BIN", "B.BIN", 3000000000u,
                  "*[B.BIN] <-- MS-DOS[B.BIN 3000000000] 2000/01/15 12:30:00"}));

TEST(EndLineTest, KeepsTheLayoutOfTheStartLine) {
    const std::string start = "*[C:\\TEMP\\A.TXT] <-- MS-DOS[A.TXT 3] 2000/01/15 12:30:00";
    char line[TRANSFER_LINE_SIZE];
    k_end_line(line, sizeof line, start.c_str(), "2000/01/15 12:30:07");
    EXPECT_EQ(std::string(line), " --END-" + std::string(29, '-') + " 2000/01/15 12:30:07");
    EXPECT_EQ(std::strlen(line), start.size());
}

struct Progress {
    const char* name;
    uint32_t done;
    uint32_t size;
    double seconds;
    bool verify;
    const char* expected;
};

class ProgressLineTest : public ::testing::TestWithParam<Progress> {};

TEST_P(ProgressLineTest, ShowsCountPercentAndRate) {
    const Progress& row = GetParam();
    char line[TRANSFER_LINE_SIZE];
    k_progress_line(line, sizeof line, row.name, row.done, row.size, row.seconds, row.verify);
    EXPECT_STREQ(line, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ProgressLineTest,
    ::testing::Values(
        Progress{"A.TXT", 4096, 10000, 4.25, false, "[A.TXT]   4096/10000  40%   1.0KB/sec"},
        Progress{"A.TXT", 4096, 10000, 4.25, true,
                 "[A.TXT]   4096/10000  40%   1.0KB/sec  /Verify"},
        Progress{"E.TXT", 0, 0, 1.0, false, "[E.TXT]      0/0  100%   0.0KB/sec"},
        Progress{"A.TXT", 4096, 10000, 0.0, false, "[A.TXT]   4096/10000  40%   0.0KB/sec"},
        // 25 MB x 100 no longer fits in 32 bits.
        Progress{"BIG", 25000000, 30000000, 10.0, false,
                 "[BIG] 25000000/30000000  83%  2500.0KB/sec"}));

class ClockedLinesTest : public ::testing::Test {
  protected:
    FixedClock clock;
};

TEST_F(ClockedLinesTest, ProgressIsTimedFromTheStopwatch) {
    LinkContext ctx{};
    RecordingStatusBar statusBar;
    int days, hours, minutes, seconds, milliseconds;
    k_elapsed_time(0, &days, &hours, &minutes, &seconds, &milliseconds, &ctx.transferStartTick);
    clock.tick += 4250;
    k_progress_show(&ctx, "A.TXT", 4096, 10000);  // no status bar: nothing to show
    ctx.statusBar = &statusBar;
    k_progress_show(&ctx, "A.TXT", 4096, 10000);
    EXPECT_EQ(statusBar.progress,
              std::vector<std::string>{"[A.TXT]   4096/10000  40%   1.0KB/sec"});
}

TEST_F(ClockedLinesTest, StopwatchSplitsTheTimeAndSurvivesTheWrap) {
    uint32_t start = 0;
    int days, hours, minutes, seconds, milliseconds;
    clock.tick = 0;
    k_elapsed_time(0, &days, &hours, &minutes, &seconds, &milliseconds, &start);
    clock.tick = 86400000u + 2 * 3600000u + 3 * 60000u + 4 * 1000u + 5;
    k_elapsed_time(1, &days, &hours, &minutes, &seconds, &milliseconds, &start);
    EXPECT_EQ(std::vector<int>({days, hours, minutes, seconds, milliseconds}),
              std::vector<int>({1, 2, 3, 4, 5}));

    start = 0xFFFFFF00u;
    clock.tick = 0x100;
    k_elapsed_time(1, &days, &hours, &minutes, &seconds, &milliseconds, &start);
    EXPECT_EQ(seconds * 1000 + milliseconds, 511);
}

TEST_F(ClockedLinesTest, DateTimeTextIsTheLocalTime) {
    char text[TRANSFER_TIME_SIZE];
    EXPECT_EQ(k_datetime_text(text), 19);
    EXPECT_STREQ(text, TIME);
}

}  // namespace
