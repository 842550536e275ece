// One block rejected on every copy: a GET block whose checksum is always wrong, a PUT block the
// MS-DOS side always answers NAK. Six attempts, the sixth shown as Retry=6, then velmo gives
// the transfer up with ESC 'E', an error line and a failing exit status.
#include <gtest/gtest.h>

#include "fault_rig.h"
#include "support/temp_working_directory.h"

namespace {

using namespace fault;

struct BadBlock {
    const char* name;
    std::vector<std::string> dosOptions;
    bool put;
};

class RejectedOnEveryCopy : public ::testing::TestWithParam<BadBlock> {};

TEST_P(RejectedOnEveryCopy, GivesUpAfterSixAttempts) {
    const BadBlock& fault = GetParam();
    TempWorkingDirectory work;
    const fs::path velmoDir = work.path() / "velmo";
    fs::create_directories(velmoDir / "in");
    const std::string source = randomBytes(4, 9000);
    DosProcess dos{work.path() / "A", work.path() / "COM1", fault.dosOptions};
    CorruptingRelay relay{work.path() / "COM1", LineDamage{}};  // clean: it only listens
    writeSettings(velmoDir, relay.velmoDevice(), 1);

    BatchVelmo velmo(velmoDir);
    if (fault.put) {
        writeFile(velmoDir / "DATA.BIN", source);
        velmo.type("#PUT DATA.BIN");
    } else {
        writeFile(work.path() / "A" / "DATA.BIN", source);
        velmo.type("#GET DATA.BIN in/");
    }
    EXPECT_EQ(velmo.finish(), 1);
    const std::string transcript = velmo.output();
    SCOPED_TRACE(transcript);
    for (int retry = 1; retry <= 6; ++retry) {
        EXPECT_EQ(countLines(transcript, "%Data error, BlockNo=2 Retry=" + std::to_string(retry)),
                  1);
    }
    EXPECT_EQ(countLines(transcript, "Retry=7"), 0);
    EXPECT_EQ(countLines(transcript, "-error, code=0x"), 1);
    EXPECT_EQ(countLines(transcript, "-END-"), 0);
    const std::vector<uint8_t> sent = relay.fromVelmo();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2], 0x1B);
    EXPECT_EQ(sent.back(), 'E');
    if (!fault.put) {
        // The partial file stays, marked as such on the console.
        EXPECT_EQ(fs::file_size(velmoDir / "in" / "DATA.BIN"), 4096u);
        EXPECT_EQ(countLines(transcript, "*Incomplete: DATA.BIN 4096/9000 bytes"), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, RejectedOnEveryCopy,
                         ::testing::Values(BadBlock{"GetChecksum", {"--corrupt-block", "2"}, false},
                                           BadBlock{"PutNak", {"--nak-block", "2"}, true}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
