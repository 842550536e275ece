// The disk fills up during a GET (a file-size limit on velmo): the write failure ends the
// transfer with code 43 and ESC 'E' to the other side, and the part received stays on disk,
// marked incomplete.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "fault_rig.h"
#include "support/temp_working_directory.h"

namespace {

using namespace fault;

TEST(FullDisk, GetEndsWithWriteErrorKeepingThePartialFile) {
    TempWorkingDirectory work;
    const fs::path velmoDir = work.path() / "velmo";
    fs::create_directories(velmoDir / "in");
    DosProcess dos{work.path() / "A", work.path() / "COM1"};
    const std::string source = randomBytes(11, 20000);
    writeFile(work.path() / "A" / "DATA.BIN", source);
    CorruptingRelay relay{work.path() / "COM1", LineDamage{}};  // clean: it only listens
    writeSettings(velmoDir, relay.velmoDevice(), 1);

    // Room for block 1 and part of block 2 (the transcript is written by velmo too).
    BatchVelmo velmo(velmoDir, ChildLimits{6000});
    velmo.type("#GET DATA.BIN in/");
    EXPECT_EQ(velmo.finish(), 1);
    const std::string transcript = velmo.output();
    SCOPED_TRACE(transcript);
    EXPECT_EQ(countLines(transcript, "*RS-232C Receive-error, code=0x0000002B"), 1);
    EXPECT_EQ(countLines(transcript, "*Incomplete: DATA.BIN"), 1);
    EXPECT_EQ(countLines(transcript, "-END-"), 0);
    const std::string partial = readFile(velmoDir / "in" / "DATA.BIN");
    // The count shown is what is on disk.
    EXPECT_EQ(countLines(transcript, "*Incomplete: DATA.BIN " + std::to_string(partial.size()) +
                                         "/20000 bytes"),
              1);
    EXPECT_GE(partial.size(), 4096u);
    EXPECT_LT(partial.size(), source.size());
    EXPECT_TRUE(sameBytes(partial, source.substr(0, partial.size())));
    // The relay may take a moment to pass on the last bytes of a velmo that has ended.
    std::vector<uint8_t> sent = relay.fromVelmo();
    for (int wait = 0; wait < 100 && (sent.size() < 2 || sent.back() != 'E'); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        sent = relay.fromVelmo();
    }
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2], 0x1B);
    EXPECT_EQ(sent.back(), 'E');
}

}  // namespace
