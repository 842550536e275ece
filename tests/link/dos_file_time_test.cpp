// MS-DOS time stamps and sizes of local files.
#include "link/dos_file_time.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "link/transfer_fixture.h"
#include "link/transfer_support.h"
#include "support/file_bytes.h"

namespace {

class DosFileTimeTest : public ::testing::Test {
  protected:
    DosFileTimeTest() { dir.writeFile("A.TXT", "abc"); }

    uint16_t date = 0;
    uint16_t time = 0;
    TempWorkingDirectory dir;
};

TEST_F(DosFileTimeTest, AStampSetIsTheStampRead) {
    ASSERT_EQ(k_dos_ftimeSet("A.TXT", 0x282F, 0x63C0), 0);  // 2000/01/15 12:30:00
    struct stat info {};
    ASSERT_EQ(stat("A.TXT", &info), 0);
    EXPECT_EQ(info.st_mtime, localTime(2000, 1, 15, 12, 30, 0));
    EXPECT_EQ(info.st_atime, info.st_mtime);
    ASSERT_EQ(k_dos_ftimeGet("A.TXT", &date, &time), 0);
    EXPECT_EQ(date, 0x282F);
    EXPECT_EQ(time, 0x63C0);
}

// A file time outside what MS-DOS can hold, and the stamp it gets instead.
struct Clamp {
    int year;
    uint16_t date;
    uint16_t time;
};

class DosFileTimeClampTest : public DosFileTimeTest, public ::testing::WithParamInterface<Clamp> {};

TEST_P(DosFileTimeClampTest, TakesTheNearestStamp) {
    const time_t when = localTime(GetParam().year, 6, 1, 12, 0, 0);
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, "A.TXT", times, 0), 0);
    ASSERT_EQ(k_dos_ftimeGet("A.TXT", &date, &time), 0);
    EXPECT_EQ(date, GetParam().date);
    EXPECT_EQ(time, GetParam().time);
}

INSTANTIATE_TEST_SUITE_P(Years, DosFileTimeClampTest,
                         ::testing::Values(Clamp{1970, k_dos_date(1980, 1, 1), 0},
                                           Clamp{2200, k_dos_date(2107, 12, 31),
                                                 k_dos_time(23, 59, 58)}));

TEST_F(DosFileTimeTest, FailuresCarryTheirStage) {
    EXPECT_EQ(k_dos_ftimeGet("MISSING.TXT", &date, &time), 0xA0002);
    EXPECT_EQ(k_dos_ftimeSet("MISSING.TXT", 0x282F, 0x63C0), 0xA0002);
    EXPECT_EQ(k_dos_ftimeSet("A.TXT", k_dos_date(2000, 13, 1), 0), 0x140000);  // no 13th month
    EXPECT_EQ(k_dos_ftimeSet("A.TXT", k_dos_date(2001, 2, 30), 0), 0x1E0000);  // no 30 February
}

TEST_F(DosFileTimeTest, SizeOfAFile) {
    uint32_t size = 0;
    EXPECT_EQ(k_file_sizeget("A.TXT", &size), 0);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(k_file_sizeget("MISSING.TXT", &size), 2);
}

}  // namespace
