#include "files/error_log.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "files/errlog_config.h"
#include "files/reporter.h"
#include "support/file_bytes.h"
#include "support/fixed_clock.h"
#include "support/temp_working_directory.h"

namespace {

std::vector<std::string> shownBoxes;

void recordBox(const char* title, const char* text) {
    shownBoxes.push_back(std::string(title) + "|" + text);
}

const std::string kSendReport =
    "%k_rs232c_send-E-Fatal error, Date 2000/04/01 12:00:00\r\n"
    "0x00000005<5> 0x00000000<0> 0xFFFFFFFF<-1>\r\n";

// Every test starts from a clean reporter, an empty directory and an environment without the
// reporter's entries.
class ErrorLog : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"VMODE", "VLEVL", "VELDIAG", "K_LOG"}) unsetenv(name);
        k_errlog_reset();
        k_set_message_box(recordBox);
        shownBoxes.clear();
    }
    void TearDown() override {
        for (const char* name : {"VMODE", "VLEVL", "VELDIAG", "K_LOG"}) unsetenv(name);
        k_set_message_box(nullptr);
        k_errlog_reset();
    }
    void reportSend() { k_fatal_error(9, "k_rs232c_send", 5, 0, -1); }

    TempWorkingDirectory dir;
    FixedClock clock{{2000, 4, 1, 12, 0, 0}};
};

size_t countOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(ErrorLog, NothingHappensWithoutConfiguration) {
    reportSend();
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_FALSE(std::filesystem::exists("ERR.LOG"));
}

TEST_F(ErrorLog, FileModeOneLevelNineLogsToTheNamedFileOnly) {
    setenv("K_LOG", "named.log", 1);
    dir.writeFile("ERRLOG.TXT", "VMODE=1\r\nVLEVL=9\r\n");
    reportSend();
    reportSend();
    EXPECT_TRUE(shownBoxes.empty());
    EXPECT_EQ(fileBytes("named.log"), kSendReport + kSendReport);
    EXPECT_FALSE(std::filesystem::exists("ERR.LOG"));
}

TEST_F(ErrorLog, ModeNinetyEightShowsTheExactTextAndLogsIt) {
    dir.writeFile("ERRLOG.TXT", "VMODE=98\r\nVLEVL=9\r\n");
    reportSend();
    ASSERT_EQ(shownBoxes.size(), 1u);
    EXPECT_EQ(shownBoxes[0],
              "Fatal Error|%k_rs232c_send-E-Fatal error, Date 2000/04/01 12:00:00\r\n"
              "0x00000005<5> 0x00000000<0> 0xFFFFFFFF<-1>");
    EXPECT_EQ(fileBytes("ERR.LOG"), kSendReport);
}

TEST_F(ErrorLog, WithoutAWindowTheBoxGoesToStandardError) {
    k_set_message_box(nullptr);
    dir.writeFile("ERRLOG.TXT", "VLEVL=9\r\n");  // boxes only
    testing::internal::CaptureStderr();
    reportSend();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Fatal Error: %k_rs232c_send-E-Fatal error, Date 2000/04/01 12:00:00\n"
              "0x00000005<5> 0x00000000<0> 0xFFFFFFFF<-1>\n");
    EXPECT_FALSE(std::filesystem::exists("ERR.LOG"));
}

TEST_F(ErrorLog, LevelTwoPassesKindTwoAndHoldsBackKindNine) {
    dir.writeFile("ERRLOG.TXT", "VMODE=1\r\nVLEVL=2\r\n");
    k_fatal_error(2, "a_CommandSend", 1, 2, 3);
    reportSend();
    const std::string log = fileBytes("ERR.LOG");
    EXPECT_EQ(countOf(log, "%a_CommandSend-E-"), 1u);
    EXPECT_EQ(countOf(log, "%k_rs232c_send"), 0u);
}

TEST_F(ErrorLog, KindsOutsideZeroToNineAreDropped) {
    dir.writeFile("ERRLOG.TXT", "VMODE=1\r\nVLEVL=9\r\n");
    k_fatal_error(10, "a_CommandSend", 1, 2, 3);
    k_fatal_error(-1, "a_CommandSend", 1, 2, 3);
    EXPECT_FALSE(std::filesystem::exists("ERR.LOG"));
    char date[ERRLOG_DATE_SIZE];
    char name[ERRLOG_NAME_SIZE];
    EXPECT_EQ(k_errlog_check(10, date, name), 0);
}

TEST_F(ErrorLog, EnvironmentCountsOnlyWithTheUnlockEntry) {
    setenv("VMODE", "98", 1);
    setenv("VLEVL", "9", 1);
    dir.writeFile("ERRLOG.TXT", "VMODE=1\r\nVLEVL=2\r\n");
    int mode;
    int level;
    char name[ERRLOG_NAME_SIZE];
    // Locked: the environment's values are ignored and the file is read.
    EXPECT_EQ(k_errlog_config(&mode, &level, name), 1);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(level, 2);
    EXPECT_STREQ(name, "ERR.LOG");
    // Unlocked: the environment wins and the file is not read.
    setenv("VELDIAG", "1", 1);
    EXPECT_EQ(k_errlog_config(&mode, &level, name), 3);
    EXPECT_EQ(mode, 98);
    EXPECT_EQ(level, 9);
}

struct RuleCase {
    const char* title;
    std::string file;
    int flags, mode, level;
};

// Test names in listings show the case's title, not its bytes.
void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.title;
}

class ErrorLogFile : public ErrorLog, public testing::WithParamInterface<RuleCase> {};

TEST_P(ErrorLogFile, DerivesFlagsModeAndLevel) {
    const RuleCase& c = GetParam();
    dir.writeFile("ERRLOG.TXT", c.file);
    int mode;
    int level;
    char name[ERRLOG_NAME_SIZE];
    EXPECT_EQ(k_errlog_config(&mode, &level, name), c.flags);
    EXPECT_EQ(mode, c.mode);
    EXPECT_EQ(level, c.level);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ErrorLogFile,
    testing::Values(RuleCase{"EmptyFileShowsBoxesAtLevelOne", "", 2, 1, 1},
                    RuleCase{"LevelWithoutModeShowsBoxes", "VLEVL=9\r\n", 2, 1, 9},
                    RuleCase{"ModeWithoutLevel", "VMODE=5\r\n", 1, 5, 1},
                    RuleCase{"OutOfRangeValuesAreLimited", "VMODE=-5\r\nVLEVL=0\r\n", 2, 1, 1},
                    RuleCase{"FixedPairAddsRecordAndLevelNine", "VMODE=77\r\nVLEVL=7\r\n", 5, 77,
                             9},
                    RuleCase{"WrongLengthIgnored", "VMODE=100\r\nVLEVL=9 \r\n", 2, 1, 1},
                    RuleCase{"LowerCaseIgnored", "vmode=1\r\n", 2, 1, 1}),
    [](const auto& row) { return std::string(row.param.title); });

TEST_F(ErrorLog, FixedPairAppendsTheFixedRecord) {
    dir.writeFile("ERRLOG.TXT", "VMODE=77\r\nVLEVL=7\r\n");
    reportSend();
    EXPECT_EQ(fileBytes("ERR.LOG"), kSendReport + k_errlog_fixed_record() + "\r\n");
    EXPECT_LE(std::string(k_errlog_fixed_record()).size(), 36u);
}

TEST_F(ErrorLog, RecordGoesBeforeATrailingEofMark) {
    dir.writeFile("ERRLOG.TXT", "VMODE=1\r\nVLEVL=9\r\n");
    dir.writeFile("ERR.LOG", "earlier\r\n\x1A");
    reportSend();
    EXPECT_EQ(fileBytes("ERR.LOG"), "earlier\r\n" + kSendReport + "\x1A");
}

TEST_F(ErrorLog, LogHoldingOnlyTheMarkOrNothing) {
    dir.writeFile("ERRLOG.TXT", "VMODE=1\r\nVLEVL=9\r\n");
    dir.writeFile("ERR.LOG", "\x1A");
    reportSend();
    EXPECT_EQ(fileBytes("ERR.LOG"), kSendReport + "\x1A");
    dir.writeFile("ERR.LOG", "");
    reportSend();
    EXPECT_EQ(fileBytes("ERR.LOG"), kSendReport);
}

TEST_F(ErrorLog, OnlyOneHundredAndOneReportsPerRun) {
    dir.writeFile("ERRLOG.TXT", "VMODE=1\r\nVLEVL=9\r\n");
    for (int i = 0; i < 102; ++i) reportSend();
    EXPECT_EQ(countOf(fileBytes("ERR.LOG"), "%k_rs232c_send"), 101u);
}

TEST_F(ErrorLog, ConfigurationIsReadAgainAfterTwentyOneUses) {
    reportSend();  // loads: nothing configured
    dir.writeFile("ERRLOG.TXT", "VMODE=1\r\nVLEVL=9\r\n");
    for (int i = 0; i < 20; ++i) reportSend();
    EXPECT_FALSE(std::filesystem::exists("ERR.LOG"));
    reportSend();
    EXPECT_EQ(fileBytes("ERR.LOG"), kSendReport);
}

TEST_F(ErrorLog, EofCutResults) {
    EXPECT_EQ(k_text_eofcut("none.txt"), 2);
    dir.writeFile("plain.txt", "abc");
    EXPECT_EQ(k_text_eofcut("plain.txt"), 0);
    dir.writeFile("marked.txt", "abc\x1A");
    EXPECT_EQ(k_text_eofcut("marked.txt"), -1);
    EXPECT_EQ(fileBytes("marked.txt"), "abc");
}

TEST_F(ErrorLog, LinePutWritesDosText) {
    FileControlBlock block{};
    ASSERT_EQ(k_text_lineput(FILE_OPEN, "out.txt", "one", 3, &block), 0);
    ASSERT_EQ(k_text_lineput(FILE_TRANSFER, "out.txt", "", 0, &block), 0);
    ASSERT_EQ(k_text_lineput(3, "out.txt", nullptr, 0, &block), 0);
    EXPECT_EQ(fileBytes("out.txt"), "one\r\n\r\n\x1A");
    EXPECT_EQ(k_text_lineput(FILE_TRANSFER, "out.txt", "x", 1, &block), 0x4000001);
    EXPECT_EQ(k_text_lineput(4, "out.txt", "x", 1, &block), 0x1000004);
}

}  // namespace
