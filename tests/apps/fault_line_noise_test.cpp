// Bytes flipped and dropped at random on the line during GET and PUT, with and without read-back
// verification: a file reported complete is identical to its source; any other transfer ends
// with an error line, and no file is left looking complete when it is not.
#include <gtest/gtest.h>

#include <tuple>

#include "fault_rig.h"
#include "support/temp_working_directory.h"

namespace {

using namespace fault;

constexpr size_t FILE_SIZE = 20000;  // five blocks
// A few faults per transfer, never two in one block (a sum checksum cannot see two flips
// that cancel).
constexpr LineDamage damageWith(uint32_t seed) {
    return LineDamage{seed, 7000, 4200, true};
}

class LineNoise : public ::testing::TestWithParam<std::tuple<bool, bool, uint32_t>> {
  protected:
    LineNoise() {
        fs::create_directories(velmoDir / "in");
        fs::create_directories(velmoDir / "out");
        writeSettings(velmoDir, relay.velmoDevice(), 1);
    }

    // Runs one transfer command and checks what the user was told against the files.
    void transfer(const std::string& command, const fs::path& received) {
        BatchVelmo velmo(velmoDir);
        velmo.type(command);
        const int status = velmo.finish(90);
        const std::string transcript = velmo.output();
        SCOPED_TRACE(transcript + velmo.errors());
        SCOPED_TRACE("faults on the line: " + std::to_string(relay.faults()));
        EXPECT_GT(relay.faults(), 0) << "the line was not damaged";
        const bool reportedComplete = countLines(transcript, "-END-") == 1;
        const bool errorShown = countLines(transcript, "-error, code=0x") > 0;
        if (reportedComplete) {
            EXPECT_TRUE(sameBytes(readFile(received), source)) << "reported complete";
        } else {
            EXPECT_TRUE(errorShown) << "neither complete nor an error line";
            EXPECT_NE(status, 0);
        }
        if (errorShown) {
            EXPECT_NE(status, 0);
        }
        if (!reportedComplete && fs::exists(received)) {
            EXPECT_FALSE(sameBytes(readFile(received), source)) << "complete but not reported";
            if (!std::get<0>(GetParam())) {
                EXPECT_GE(countLines(transcript, "*Incomplete"), 1) << "partial file unmarked";
            }
        }
    }

    TempWorkingDirectory work;
    const fs::path velmoDir = work.path() / "velmo";
    const std::string source = randomBytes(std::get<2>(GetParam()), FILE_SIZE);
    DosProcess dos{work.path() / "A", work.path() / "COM1", {"--timeout", "2"}};
    CorruptingRelay relay{work.path() / "COM1", damageWith(std::get<2>(GetParam()))};
};

TEST_P(LineNoise, EveryFileReportedCompleteIsIdentical) {
    const auto [put, verify, seed] = GetParam();
    const std::string option = verify ? " /V" : "";
    if (put) {
        writeFile(velmoDir / "out" / "DATA.BIN", source);
        transfer("#PUT out/DATA.BIN DATA.BIN" + option, work.path() / "A" / "DATA.BIN");
    } else {
        writeFile(work.path() / "A" / "DATA.BIN", source);
        transfer("#GET DATA.BIN in/DATA.BIN" + option, velmoDir / "in" / "DATA.BIN");
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, LineNoise,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Values(1u, 2u, 3u)),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param) ? "Put" : "Get") +
                                    (std::get<1>(row.param) ? "Verified" : "Plain") + "Seed" +
                                    std::to_string(std::get<2>(row.param));
                         });

}  // namespace

namespace {

// The acknowledgement of a block arrives damaged, so its sender sends it again: the receiver
// stores it once. The parameters: PUT (else GET), and which acknowledgement of the transfer is
// damaged: 1 the header's, 2 block 1's, 4 the last block's (block 3 of a 10 000-byte file).
class DamagedAcknowledgement : public ::testing::TestWithParam<std::tuple<bool, uint64_t>> {};

// velmo sends ESC 'C' and the frame (22 bytes for "DATA.BIN"), then one ACK each for ESC 'R'
// (byte 22), the header (23) and blocks 1 to 3 (24 to 26).
constexpr uint64_t GET_ACK_BEFORE_HEADER = 22;
// velmo-dos acknowledges ESC 'C' (byte 0) and the frame (1), then the header (2) and blocks.
constexpr uint64_t PUT_ACK_BEFORE_HEADER = 1;

TEST_P(DamagedAcknowledgement, BlockIsStoredOnce) {
    const auto [put, acknowledgement] = GetParam();
    TempWorkingDirectory work;
    const fs::path velmoDir = work.path() / "velmo";
    fs::create_directories(velmoDir / "in");
    const fs::path velmoFile = velmoDir / "in" / "DATA.BIN";
    const fs::path dosFile = work.path() / "A" / "DATA.BIN";
    DosProcess dos{work.path() / "A", work.path() / "COM1", {"--timeout", "2"}};
    const std::string source = randomBytes(9, 10000);
    writeFile(put ? velmoFile : dosFile, source);
    // The receiver acknowledges: velmo in a GET, the MS-DOS side in a PUT.
    LineDamage damage;
    if (put) {
        damage.flipsFromDos = {PUT_ACK_BEFORE_HEADER + acknowledgement};
    } else {
        damage.flipsFromVelmo = {GET_ACK_BEFORE_HEADER + acknowledgement};
    }
    CorruptingRelay relay{work.path() / "COM1", damage};
    writeSettings(velmoDir, relay.velmoDevice(), 1);

    BatchVelmo velmo(velmoDir);
    velmo.type(put ? "#PUT in/DATA.BIN DATA.BIN" : "#GET DATA.BIN in/DATA.BIN");
    EXPECT_EQ(velmo.finish(), 0) << velmo.output();
    EXPECT_EQ(relay.faults(), 1);
    EXPECT_EQ(countLines(velmo.output(), "-END-"), 1) << velmo.output();
    EXPECT_TRUE(sameBytes(readFile(put ? dosFile : velmoFile), source));
}

INSTANTIATE_TEST_SUITE_P(OfHeaderFirstAndLastBlock, DamagedAcknowledgement,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(1u, 2u, 4u)),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param) ? "Put" : "Get") +
                                    "Acknowledgement" + std::to_string(std::get<1>(row.param));
                         });

}  // namespace
