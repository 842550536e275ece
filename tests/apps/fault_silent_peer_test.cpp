// The MS-DOS side falls silent in the middle of a GET block: the transfer ends after the
// time-out with an error line, and the partial file is kept and marked incomplete.
#include <gtest/gtest.h>

#include "fault_rig.h"
#include "support/temp_working_directory.h"

namespace {

using namespace fault;

TEST(SilentPeer, GetEndsAfterTheTimeOutKeepingThePartialFile) {
    TempWorkingDirectory work;
    const fs::path velmoDir = work.path() / "velmo";
    fs::create_directories(velmoDir / "in");
    // ESC 'R' (2), the header (20 for DATA.BIN), block 1 (4108): 7000 falls inside block 2.
    DosProcess dos{work.path() / "A", work.path() / "COM1", {"--silent-after", "7000"}};
    writeFile(work.path() / "A" / "DATA.BIN", randomBytes(5, 12000));
    writeSettings(velmoDir, dos.link(), 1);

    BatchVelmo velmo(velmoDir);
    velmo.type("#GET DATA.BIN in/");
    ASSERT_TRUE(velmo.waitForOutput("-error, code=0x", 15)) << velmo.output();
    EXPECT_EQ(velmo.finish(), 1);
    const std::string transcript = velmo.output();
    EXPECT_EQ(countLines(transcript, "*Incomplete: DATA.BIN 4096/12000 bytes"), 1) << transcript;
    EXPECT_EQ(countLines(transcript, "-END-"), 0) << transcript;
    EXPECT_EQ(fs::file_size(velmoDir / "in" / "DATA.BIN"), 4096u);
}

}  // namespace
