// Local files to the MS-DOS side, answered block by block over a pseudo-terminal.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <map>

#include "link/failure_words.h"
#include "link/link.h"
#include "link/transfer_fixture.h"

namespace {

// What velmo sends: a whole block, or ESC and its letter; short when nothing more came.
Bytes readFrame(int fd) {
    Bytes frame = readBytes(fd, 2, 1500);
    if (frame.size() < 2 || frame[0] == ESC) return frame;
    const Bytes length = readBytes(fd, 2, 1500);
    frame.insert(frame.end(), length.begin(), length.end());
    if (frame.size() < 4) return frame;
    const Bytes rest = readBytes(fd, size_t(k_block_length(frame.data())), 1500);
    frame.insert(frame.end(), rest.begin(), rest.end());
    return frame;
}

void stamp(const char* name, time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    utimensat(AT_FDCWD, name, times, 0);
}

using Answer = std::function<bool(int fd, const Bytes& frame)>;

bool acknowledge(int fd, const Bytes&) {
    writeBytes(fd, Bytes{ACK});
    return true;
}

class PutTransferTest : public TransferFixture {
  protected:
    PutTransferTest() { ctx.putMode = 1; }

    // Answers each frame velmo sends until ESC, silence, or an answer that ends the script.
    int transfer(const char* pattern, const Answer& answer = acknowledge,
                 const std::function<void(int)>& beforeTick = {}) {
        std::snprintf(ctx.transferPath, sizeof ctx.transferPath, "%s", pattern);
        ScriptedPeer peer(pty.master(), [&](int fd) {
            for (;;) {
                Bytes frame = readFrame(fd);
                if (frame.empty()) return;
                frames.push_back(frame);
                if (frame[0] == ESC || !answer(fd, frame)) return;
            }
        });
        const int result = runTicks(a_PutResponseFrom98, beforeTick);
        peer.join();
        return result;
    }

    std::vector<Bytes> frames;
};

TEST_F(PutTransferTest, SendsEachFileButTheEmptyOneBlockByBlock) {
    const std::string big = patterned(5000);
    dir.writeFile("A.TXT", "abc");
    dir.writeFile("EMPTY.TXT", "");
    dir.writeFile("B.TXT", big);
    stamp("A.TXT", stamp2000());

    EXPECT_EQ(transfer("*.TXT"), -1);

    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(frames.back(), ESC_E);
    std::map<std::string, std::vector<Bytes>> byFile;  // the search order is the system's
    std::string current;
    for (size_t i = 0; i + 1 < frames.size(); ++i) {
        const Bytes& frame = frames[i];
        if (frame[1] == BLOCK_HEADER)
            current.assign(frame.begin() + BLOCK_PAYLOAD_OFFSET, frame.end());
        byFile[current].push_back(frame);
    }
    EXPECT_EQ(byFile["A.TXT"],
              (std::vector<Bytes>{{0x02, 0x81, 0x0D, 0x00, 0x2F, 0x28, 0xC0, 0x63, 0x03, 0x00, 0x00,
                                   0x00, 0x41, 0x2E, 0x54, 0x58, 0x54},
                                  {0x02, 0x82, 0x0B, 0x00, 0x01, 0x00, 0x00, 0x00, 0x26, 0x01, 0x00,
                                   0x00, 0x61, 0x62, 0x63}}));
    ASSERT_EQ(byFile["B.TXT"].size(), 3u);
    EXPECT_EQ(k_header_size(byFile["B.TXT"][0].data()), 5000u);
    EXPECT_EQ(byFile["B.TXT"][1], dataBlock(BLOCK_DATA, 1, big.substr(0, 4096)));
    EXPECT_EQ(byFile["B.TXT"][2], dataBlock(BLOCK_LAST, 2, big.substr(4096)));
    EXPECT_EQ(byFile.count("EMPTY.TXT"), 0u);
    EXPECT_TRUE(consoleHas("*[A.TXT 3] --> MS-DOS 2000/01/15 12:30:00"));
    EXPECT_FALSE(consoleHasPrefix("*[EMPTY.TXT"));
}

TEST_F(PutTransferTest, AFileOfWholeBlocksEndsWithAnEmptyLastBlock) {
    const std::string bytes = patterned(4096);
    dir.writeFile("FULL.BIN", bytes);
    EXPECT_EQ(transfer("FULL.BIN"), -1);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[1], dataBlock(BLOCK_DATA, 1, bytes));
    EXPECT_EQ(frames[2], dataBlock(BLOCK_LAST, 2, ""));
    EXPECT_EQ(frames[3], ESC_E);
}

TEST_F(PutTransferTest, NoMatchEndsAtOnce) {
    const int lines = ctx.lineCount;
    EXPECT_EQ(transfer("*.NONE"), -1);
    EXPECT_EQ(frames, std::vector<Bytes>{ESC_E});
    EXPECT_EQ(ctx.lineCount, lines);
}

TEST_F(PutTransferTest, TheSixthRejectionGivesUp) {
    dir.writeFile("A.TXT", "abc");
    const int result = transfer("A.TXT", [](int fd, const Bytes& frame) {
        writeBytes(fd, Bytes{frame[1] == BLOCK_HEADER ? ACK : NAK});
        return true;
    });
    EXPECT_EQ(result, 42);
    ASSERT_EQ(frames.size(), 8u);
    for (size_t i = 2; i <= 6; ++i) EXPECT_EQ(frames[i], frames[1]);
    EXPECT_EQ(frames[7], ESC_E);
    EXPECT_TRUE(consoleHas("%Data error, BlockNo=1 Retry=6"));
    EXPECT_FALSE(consoleHas("%Data error, BlockNo=1 Retry=7"));
}

TEST_F(PutTransferTest, VerificationTakesAnAcknowledgementInsteadOfAnEcho) {
    ctx.verifyTransfer = 1;
    dir.writeFile("A.TXT", "abc");
    EXPECT_EQ(transfer("A.TXT"), -1);
    EXPECT_EQ(frames.size(), 3u);
    EXPECT_EQ(statusBar.progress.back(), "[A.TXT]      3/3  100%   0.0KB/sec  /Verify");
}

size_t openDescriptors() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return size_t(std::distance(begin(fds), end(fds)));
}

TEST_F(PutTransferTest, CancelEndsAfterTheCurrentBlockAndLeavesNothingOpen) {
    dir.writeFile("BIG.TXT", patterned(10000));
    dir.writeFile("NEXT.TXT", "abc");
    const size_t descriptors = openDescriptors();
    const int result =
        transfer("*.TXT", acknowledge, [&](int tick) { ctx.cancelRequested = tick >= 2; });
    EXPECT_EQ(result, -2);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2], ESC_E);
    EXPECT_TRUE(fileReleased("BIG.TXT"));
    EXPECT_EQ(openDescriptors(), descriptors);  // neither the file nor the search left open
}

TEST_F(PutTransferTest, AFileTooLargeForTheWireIsRefused) {
    const int fd = open("BIG.BIN", O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t(4) << 30), 0);  // 4 GiB, sparse
    close(fd);
    std::snprintf(ctx.transferPath, sizeof ctx.transferPath, "BIG.BIN");
    EXPECT_EQ(runTicks(a_PutResponseFrom98), 30);
    EXPECT_TRUE(consoleHas("*Too large to send (2 GiB or more): BIG.BIN"));
    EXPECT_TRUE(readBytes(pty.master(), 1, 100).empty());
}

// Files that cannot go under their names, or cannot be read, are each named and passed over;
// the others go, and the command ends as a failure.
TEST_F(PutTransferTest, FilesThatCannotBeSentAreNamedAndTheOthersGo) {
    for (const char* name : {"A.TXT", "B\\C.TXT", "D:E.TXT", "caf\xC3\xA9.TXT", "\xE3\x80\x9C.TXT",
                             "LOCKED.TXT", "Z.TXT"}) {
        dir.writeFile(name, "abc");
    }
    const int locked = open("LOCKED.TXT", O_RDONLY);
    ASSERT_GE(locked, 0);
    ASSERT_EQ(flock(locked, LOCK_EX), 0);  // another program holds it
    const int result = transfer("*.TXT");
    close(locked);
    EXPECT_EQ(result, 50);
    std::vector<std::string> sent;
    for (const Bytes& frame : frames) {
        if (frame.size() > BLOCK_PAYLOAD_OFFSET && frame[1] == BLOCK_HEADER) {
            sent.emplace_back(frame.begin() + BLOCK_PAYLOAD_OFFSET, frame.end());
        }
    }
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent, (std::vector<std::string>{"A.TXT", "Z.TXT"}));
    EXPECT_EQ(frames.back(), ESC_E);
    EXPECT_TRUE(consoleHas("*Not sent (not an MS-DOS name): B\\C.TXT"));
    EXPECT_TRUE(consoleHas("*Not sent (not an MS-DOS name): D:E.TXT"));
    EXPECT_TRUE(consoleHas("*Not sent (no MS-DOS form of its name): caf?.TXT"));
    EXPECT_TRUE(consoleHas("*Not sent (no MS-DOS form of its name): ?.TXT"));
    EXPECT_TRUE(consoleHas("*Not sent (cannot be read): LOCKED.TXT"));
}

// An abort by the MS-DOS side after some blocks were taken, and the code it ends with.
struct Abort {
    size_t blocksTaken;
    int code;
};

class PutAbortTest : public PutTransferTest, public ::testing::WithParamInterface<Abort> {};

TEST_P(PutAbortTest, EndsWithTheCodeOfTheBlock) {
    dir.writeFile("A.TXT", "abc");
    size_t taken = 0;
    const int result = transfer("A.TXT", [&](int fd, const Bytes&) {
        const bool take = taken++ < GetParam().blocksTaken;
        writeBytes(fd, take ? Bytes{ACK} : ESC_E);
        return take;
    });
    EXPECT_EQ(result, GetParam().code);
    EXPECT_STREQ(ctx.failureWords, PUT_ENDED_BY_DOS_WORDS);  // full, write-protected, ...
    EXPECT_EQ(frames.size(), GetParam().blocksTaken + 1);
    EXPECT_TRUE(fileReleased("A.TXT"));
}

INSTANTIATE_TEST_SUITE_P(Blocks, PutAbortTest, ::testing::Values(Abort{0, 34}, Abort{1, 42}));

// An echo that differs from the block sent, made by `spoil`.
struct BadEcho {
    const char* name;
    void (*spoil)(Bytes* echo);
};

class PutEchoTest : public PutTransferTest, public ::testing::WithParamInterface<BadEcho> {};

TEST_P(PutEchoTest, ADifferingEchoIsRefusedAndTheBlockSentAgain) {
    ctx.verifyTransfer = 1;
    dir.writeFile("A.TXT", "abc");
    Bytes verdicts;
    int dataBlocks = 0;
    const int result = transfer("A.TXT", [&](int fd, const Bytes& frame) {
        const bool spoilt = frame[1] != BLOCK_HEADER && dataBlocks++ == 0;
        Bytes echo = frame;
        if (spoilt) GetParam().spoil(&echo);
        writeBytes(fd, echo);
        const Bytes verdict = readBytes(fd, 1, 1500);
        verdicts.insert(verdicts.end(), verdict.begin(), verdict.end());
        writeBytes(fd, Bytes{spoilt ? NAK : ACK});
        return true;
    });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(verdicts, Bytes({ACK, NAK, ACK}));
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[2], frames[1]);
    EXPECT_TRUE(consoleHas("%Data error, BlockNo=1 Retry=1"));
}

INSTANTIATE_TEST_SUITE_P(
    Echoes, PutEchoTest,
    ::testing::Values(BadEcho{"Payload", [](Bytes* echo) { echo->back() ^= 1; }},
                      BadEcho{"Length",
                              [](Bytes* echo) {
                                  echo->pop_back();
                                  k_put16(echo->data() + 2, uint32_t(echo->size() - 4));
                              }}),
    [](const ::testing::TestParamInfo<BadEcho>& row) { return std::string(row.param.name); });

}  // namespace
