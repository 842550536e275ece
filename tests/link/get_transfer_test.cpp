// Files from the MS-DOS side, played block by block over a pseudo-terminal.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "link/failure_words.h"
#include "link/link.h"
#include "link/transfer_fixture.h"

namespace fs = std::filesystem;

namespace {

// The MS-DOS side's answer of one file of three bytes, "abc", each block answered once.
std::vector<DosStep> oneFile(const std::string& name) {
    return {
        {ESC_R, 1}, {headerBlock(name, 3), 1}, {dataBlock(BLOCK_LAST, 1, "abc"), 1}, {ESC_E, 0}};
}

Bytes damaged(Bytes block) {
    block.back() ^= 1;
    return block;
}

class GetTransferTest : public TransferFixture {
  protected:
    GetTransferTest() { ctx.getMode = 1; }

    // Temporary files left in the working directory.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(".velmo-", 0) == 0) names.push_back(name);
        }
        return names;
    }

    // Plays the MS-DOS side and runs the transfer to its end; returns its result.
    int transfer(const std::vector<DosStep>& steps,
                 const std::function<void(int)>& beforeTick = {}) {
        ScriptedPeer peer(pty.master(), [&](int fd) { playSteps(fd, steps, &heard); });
        const int result = runTicks(a_GetResponseFrom98, beforeTick);
        peer.join();
        return result;
    }

    Bytes heard;
};

TEST_F(GetTransferTest, OneFileArrivesByteExactWithItsStamp) {
    const int result = transfer(oneFile("A.TXT"));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(heard, Bytes({ACK, ACK, ACK}));
    EXPECT_EQ(fileBytes("A.TXT"), "abc");
    struct stat info {};
    ASSERT_EQ(stat("A.TXT", &info), 0);
    EXPECT_EQ(info.st_mtime, stamp2000());
    EXPECT_TRUE(consoleHas("*[A.TXT] <-- MS-DOS[A.TXT 3] 2000/01/15 12:30:00"));
    EXPECT_TRUE(consoleHas(" --END-" + std::string(21, '-') + " 2000/01/15 12:30:00"));
    ASSERT_FALSE(statusBar.progress.empty());
    EXPECT_EQ(statusBar.progress.back(), "[A.TXT]      3/3  100%   0.0KB/sec");
}

TEST_F(GetTransferTest, SeveralFilesGoIntoTheDestinationDirectory) {
    fs::create_directory("out");
    std::snprintf(ctx.transferPath, sizeof ctx.transferPath, "out/");
    const std::string big = patterned(5000);
    const int result = transfer({{ESC_R, 1},
                                 {headerBlock("A.TXT", 3), 1},
                                 {dataBlock(BLOCK_LAST, 1, "abc"), 1},
                                 {headerBlock("B.BIN", 5000), 1},
                                 {dataBlock(BLOCK_DATA, 1, big.substr(0, 4096)), 1},
                                 {dataBlock(BLOCK_LAST, 2, big.substr(4096)), 1},
                                 {headerBlock("EMPTY.TXT", 0), 1},
                                 {dataBlock(BLOCK_LAST, 1, ""), 1},
                                 {ESC_E, 0}});
    EXPECT_EQ(result, -1);
    EXPECT_EQ(fileBytes("out/A.TXT"), "abc");
    EXPECT_EQ(fileBytes("out/B.BIN"), big);
    EXPECT_TRUE(fs::exists("out/EMPTY.TXT"));
    EXPECT_EQ(fs::file_size("out/EMPTY.TXT"), 0u);
    EXPECT_EQ(statusBar.progress.back(), "[EMPTY.TXT]      0/0  100%   0.0KB/sec");
}

TEST_F(GetTransferTest, VerificationEchoesEachBlockAndWaitsForTheVerdict) {
    ctx.verifyTransfer = 1;
    const Bytes header = headerBlock("A.TXT", 3);
    const Bytes block = {0x02, 0x80, 0x0B, 0x00, 0x01, 0x00, 0x00, 0x00,
                         0x26, 0x01, 0x00, 0x00, 0x61, 0x62, 0x63};
    const Bytes last = dataBlock(BLOCK_LAST, 2, "");
    const int result = transfer({{ESC_R, 1},
                                 {header, header.size()},
                                 {{ACK}, 1},
                                 {block, block.size()},
                                 {{ACK}, 1},
                                 {last, last.size()},
                                 {{ACK}, 1},
                                 {ESC_E, 0}});
    EXPECT_EQ(result, -1);
    Bytes expected = {ACK};
    for (const Bytes* echoed : {&header, &block, &last}) {
        expected.insert(expected.end(), echoed->begin(), echoed->end());
        expected.push_back(ACK);
    }
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(fileBytes("A.TXT"), "abc");
    EXPECT_EQ(statusBar.progress.back(), "[A.TXT]      3/3  100%   0.0KB/sec  /Verify");
}

TEST_F(GetTransferTest, ACorruptedBlockIsRefusedAndItsRepeatTaken) {
    const int result = transfer({{ESC_R, 1},
                                 {headerBlock("A.TXT", 6), 1},
                                 {damaged(dataBlock(BLOCK_DATA, 1, "abc")), 1},
                                 {dataBlock(BLOCK_DATA, 1, "abc"), 1},
                                 {damaged(dataBlock(BLOCK_LAST, 2, "def")), 1},
                                 {dataBlock(BLOCK_LAST, 2, "def"), 1},
                                 {ESC_E, 0}});
    EXPECT_EQ(result, -1);
    EXPECT_EQ(heard, Bytes({ACK, ACK, NAK, ACK, NAK, ACK}));
    EXPECT_TRUE(consoleHas("%Data error, BlockNo=1 Retry=1"));
    EXPECT_TRUE(consoleHas("%Data error, BlockNo=2 Retry=1"));  // counted afresh per block
    EXPECT_EQ(fileBytes("A.TXT"), "abcdef");
}

TEST_F(GetTransferTest, TheSixthRejectionGivesUp) {
    const Bytes bad = damaged(dataBlock(BLOCK_LAST, 1, "abc"));
    std::vector<DosStep> steps = {{ESC_R, 1}, {headerBlock("A.TXT", 3), 1}};
    for (int i = 0; i < 5; ++i) steps.push_back({bad, 1});
    steps.push_back({bad, 2});
    EXPECT_EQ(transfer(steps), -2);
    EXPECT_EQ(heard, Bytes({ACK, ACK, NAK, NAK, NAK, NAK, NAK, ESC, 'E'}));
    EXPECT_TRUE(consoleHas("%Data error, BlockNo=1 Retry=6"));
    EXPECT_TRUE(fileReleased("A.TXT"));
}

TEST_F(GetTransferTest, ABlockWhosePayloadNeverArrivesShowsNoNumber) {
    ctx.timeoutSetting = 3;
    const int result = transfer(
        {{ESC_R, 1}, {headerBlock("A.TXT", 3), 1}, {{STX, BLOCK_LAST, 0x0B, 0x00}, 1}, {ESC_E, 0}});
    EXPECT_EQ(result, GET_FILE_INCOMPLETE);
    EXPECT_EQ(heard, Bytes({ACK, ACK, NAK}));
    EXPECT_TRUE(consoleHas("%Data error, BlockNo=-666 Retry=1"));
}

TEST_F(GetTransferTest, BytesBeforeTheStartAreIgnored) {
    Bytes start = dataBlock(BLOCK_LAST, 1, "junk");
    start.insert(start.end(), ESC_R.begin(), ESC_R.end());
    const int result = transfer({{start, 1},
                                 {headerBlock("A.TXT", 3), 1},
                                 {dataBlock(BLOCK_LAST, 1, "abc"), 1},
                                 {ESC_E, 0}});
    EXPECT_EQ(result, -1);
    EXPECT_EQ(heard, Bytes({ACK, ACK, ACK}));
    EXPECT_EQ(fileBytes("A.TXT"), "abc");
}

// The other side ends in the middle of a file: the command failed. A new file stays as far as
// it came; an existing file of that name stays as it was.
TEST_F(GetTransferTest, AnEndInTheMiddleOfAFileIsAFailureAndSaysSo) {
    dir.writeFile("OLD.TXT", "the old text");
    const std::string part = patterned(4096);
    const int result = transfer({{ESC_R, 1},
                                 {headerBlock("A.TXT", 10000), 1},
                                 {dataBlock(BLOCK_DATA, 1, part), 1},
                                 {headerBlock("OLD.TXT", 10000), 1},
                                 {dataBlock(BLOCK_DATA, 1, part), 1},
                                 {ESC_E, 0}});
    EXPECT_EQ(result, GET_FILE_INCOMPLETE);
    EXPECT_EQ(fileBytes("A.TXT"), part);
    EXPECT_TRUE(fileReleased("A.TXT"));
    EXPECT_TRUE(consoleHas("*Incomplete: A.TXT 4096/10000 bytes"));
    EXPECT_EQ(fileBytes("OLD.TXT"), "the old text");
    EXPECT_TRUE(consoleHas("*Kept unchanged: OLD.TXT"));
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

// A block that is not the next one (the other side took a NAK for an ACK and went on), or
// one that would carry the file past its announced size, ends the transfer before a byte of
// it is written: the partial file is a true beginning of the file.
struct MisplacedBlock {
    const char* label;
    Bytes first;   // after ESC 'R' and a header of A.TXT, 6 bytes
    Bytes second;  // ends the transfer
    int result;
    std::string kept;
    std::string line;
};

class GetMisplacedBlockTest : public GetTransferTest,
                              public ::testing::WithParamInterface<MisplacedBlock> {};

TEST_P(GetMisplacedBlockTest, EndsTheTransferWithNothingOutOfPlace) {
    const MisplacedBlock& row = GetParam();
    EXPECT_EQ(transfer({{ESC_R, 1}, {headerBlock("A.TXT", 6), 1}, {row.first, 1}, {row.second, 2}}),
              row.result);
    EXPECT_EQ(heard.back(), 'E');
    EXPECT_EQ(fileBytes("A.TXT"), row.kept);
    EXPECT_TRUE(consoleHasPrefix(row.line));
    EXPECT_FALSE(consoleHasPrefix(" --END-"));
}

const MisplacedBlock MISPLACED_BLOCKS[] = {
    {"Skipped", damaged(dataBlock(BLOCK_DATA, 1, "abc")), dataBlock(BLOCK_LAST, 2, "def"),
     GET_BLOCK_OUT_OF_PLACE, "", "*Block 2 of A.TXT arrived where block 1 belongs"},
    {"PastTheSize", dataBlock(BLOCK_DATA, 1, "abcd"), dataBlock(BLOCK_DATA, 2, "efgh"),
     GET_BLOCK_PAST_SIZE, "abcd", "*Block 2 would carry A.TXT past its 6 bytes"},
    {"NumberTwice", dataBlock(BLOCK_DATA, 1, "abcd"), dataBlock(BLOCK_LAST, 1, "ab"),
     GET_BLOCK_OUT_OF_PLACE, "abcd", "*Block 1 of A.TXT arrived where block 2 belongs"},
};

INSTANTIATE_TEST_SUITE_P(Blocks, GetMisplacedBlockTest, ::testing::ValuesIn(MISPLACED_BLOCKS),
                         [](const auto& row) { return std::string(row.param.label); });

// The usage text ends a directory with "\"; on Linux that still means the directory.
TEST_F(GetTransferTest, ATrailingBackslashNamesADirectory) {
    fs::create_directory("out");
    std::snprintf(ctx.transferPath, sizeof ctx.transferPath, "out\\");
    const int result = transfer(oneFile("A.TXT"));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(fileBytes("out/A.TXT"), "abc");
    EXPECT_FALSE(fs::exists("out\\"));
}

TEST_F(GetTransferTest, CancelStopsAtTheNextBlockWithoutStoringIt) {
    const int result =
        transfer({{ESC_R, 1}, {headerBlock("A.TXT", 3), 1}, {dataBlock(BLOCK_LAST, 1, "abc"), 2}},
                 [&](int tick) { ctx.cancelRequested = tick >= 3; });
    EXPECT_EQ(result, -2);
    EXPECT_EQ(heard, Bytes({ACK, ACK, ESC, 'E'}));
    EXPECT_EQ(fileBytes("A.TXT"), "");
    EXPECT_TRUE(fileReleased("A.TXT"));
}

TEST_F(GetTransferTest, AShortNameAfterALongOneKeepsNothingOfIt) {
    fs::create_directory("dest");
    std::snprintf(ctx.transferPath, sizeof ctx.transferPath, "dest/");
    const int result = transfer({{ESC_R, 1},
                                 {headerBlock("A_MUCH_LONGER_NAME.TXT", 3), 1},
                                 {dataBlock(BLOCK_LAST, 1, "abc"), 1},
                                 {headerBlock("B.TXT", 3), 1},
                                 {dataBlock(BLOCK_LAST, 1, "def"), 1},
                                 {ESC_E, 0}});
    EXPECT_EQ(result, -1);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator("dest")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"A_MUCH_LONGER_NAME.TXT", "B.TXT"}));
    EXPECT_EQ(fileBytes("dest/B.TXT"), "def");
    EXPECT_TRUE(consoleHas("*[dest/B.TXT] <-- MS-DOS[B.TXT 3] 2000/01/15 12:30:00"));
}

TEST_F(GetTransferTest, ADestinationTooLongForTheNameIsRefused) {
    std::snprintf(ctx.transferPath, sizeof ctx.transferPath, "%s/", std::string(500, 'd').c_str());
    const int result = transfer(oneFile("ABCDEFGH.TXT"));
    EXPECT_EQ(result, GET_FILES_REFUSED);
    EXPECT_EQ(heard, Bytes({ACK, ACK, ACK}));
    EXPECT_TRUE(consoleHasPrefix("*Refused file name from MS-DOS (path too long)"));
}

// A header's name from the other machine, and where it may land (empty: refused).
struct HeaderName {
    std::string name;
    std::string stored;
};

class GetHeaderNameTest : public GetTransferTest,
                          public ::testing::WithParamInterface<HeaderName> {};

TEST_P(GetHeaderNameTest, NeverLeavesTheDestination) {
    fs::create_directory("dest");
    dir.writeFile("canary", "canary");
    std::snprintf(ctx.transferPath, sizeof ctx.transferPath, "dest/");
    const HeaderName& row = GetParam();
    const bool refused = row.stored.empty();
    const int result = transfer(oneFile(row.name));

    EXPECT_EQ(fileBytes("canary"), "canary");
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        entries.push_back(fs::relative(entry.path(), dir.path()).string());
    }
    std::sort(entries.begin(), entries.end());
    std::vector<std::string> expected = {"canary", "dest"};
    if (!refused) expected.push_back("dest/" + row.stored);
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(heard, Bytes({ACK, ACK, ACK}));
    if (refused) {
        EXPECT_EQ(result, GET_FILES_REFUSED);
        EXPECT_TRUE(consoleHasPrefix("*Refused file name from MS-DOS"));
    } else {
        EXPECT_EQ(result, -1);
        EXPECT_EQ(fileBytes("dest/" + row.stored), "abc");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, GetHeaderNameTest,
    ::testing::Values(HeaderName{"..\\..\\x", "x"}, HeaderName{"../canary", "canary"},
                      HeaderName{"a\\..\\..\\canary", "canary"},
                      HeaderName{"/etc/passwd", "passwd"},
                      HeaderName{"\\AUTOEXEC.BAT", "AUTOEXEC.BAT"}, HeaderName{"C:\\X", "X"},
                      HeaderName{"C:X", "X"}, HeaderName{"", ""}, HeaderName{".", ""},
                      HeaderName{"..", ""}, HeaderName{"C:\\", ""}, HeaderName{"..\\..", ""},
                      HeaderName{std::string(600, 'N'), ""}, HeaderName{"MY..FILE", "MY..FILE"},
                      HeaderName{"A.B.C", "A.B.C"},
                      HeaderName{"\x95\x5C.TXT", "\xE8\xA1\xA8.TXT"},  // 表.TXT
                      HeaderName{"DIR\\\x95\x5C.TXT", "\xE8\xA1\xA8.TXT"}));

// The other machine may only send what was asked for, and never velmo's own settings.
struct RequestedName {
    std::string requested;  // the MS-DOS name of the command
    std::string header;
    std::string refusal;  // empty: stored
};

class GetRequestedNameTest : public GetTransferTest,
                             public ::testing::WithParamInterface<RequestedName> {};

TEST_P(GetRequestedNameTest, OnlyWhatWasAskedForIsWritten) {
    const RequestedName& row = GetParam();
    std::snprintf(ctx.dosFileName, sizeof ctx.dosFileName, "%s", row.requested.c_str());
    const int result = transfer(oneFile(row.header));
    EXPECT_EQ(heard, Bytes({ACK, ACK, ACK}));  // a refused file's blocks are taken all the same
    if (!row.refusal.empty()) {
        EXPECT_EQ(result, GET_FILES_REFUSED);
        EXPECT_TRUE(consoleHasPrefix("*Refused file name from MS-DOS (" + row.refusal));
        EXPECT_FALSE(fs::exists(row.header));
    } else {
        EXPECT_EQ(result, -1);
        EXPECT_EQ(fileBytes(row.header), "abc");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, GetRequestedNameTest,
    ::testing::Values(RequestedName{"*.TXT", "B.BIN", "not the file asked for"},
                      RequestedName{"*.*", ".bashrc", "not a file name"},
                      RequestedName{"*.*", "ERRLOG.TXT", "velmo's own settings file"},
                      RequestedName{"*.TXT", "PRM232C.TXT", "velmo's own settings file"},
                      RequestedName{"A:\\", "ERR.LOG", "velmo's own settings file"},
                      RequestedName{"ERRLOG.TXT", "ERRLOG.TXT", ""},
                      RequestedName{"a.txt", "A.TXT", ""}, RequestedName{"SUB\\*.T?T", "B.TXT", ""},
                      // As MS-DOS matches names: "?" takes a blank, long names are cut to 8.3.
                      RequestedName{"???.TXT", "AB.TXT", ""},
                      RequestedName{"???.TXT", "ABCD.TXT", "not the file asked for"},
                      RequestedName{"FILE?.TXT", "FILE.TXT", ""},
                      RequestedName{"A*B.TXT", "ALPHA.TXT", ""},
                      RequestedName{"LONGFILENAME.TXT", "LONGFILE.TXT", ""},
                      RequestedName{"README.TEXT", "README.TEX", ""},
                      // A plain name that the first file does not answer is a directory.
                      RequestedName{"C:\\DOC", "A.TXT", ""},
                      RequestedName{"DOC", "PRM232C.TXT", "velmo's own settings file"},
                      RequestedName{"DOC", ".bashrc", "not a file name"},
                      // No MS-DOS file can carry these names.
                      RequestedName{"*.*", "A\nB.TXT", "not an MS-DOS name"},
                      RequestedName{"*.*", "A\x1b[31mRED.TXT", "not an MS-DOS name"},
                      RequestedName{"*.*", "?.TXT", "not an MS-DOS name"}));

// A refused file costs only itself: the transfer goes on with the next one, and fails at its
// end. With /V its blocks are echoed as any other.
TEST_F(GetTransferTest, ARefusedFileCostsOnlyItself) {
    std::snprintf(ctx.dosFileName, sizeof ctx.dosFileName, "*.TXT");
    ctx.verifyTransfer = 1;
    std::vector<DosStep> steps = {{ESC_R, 1}};
    for (const Bytes& block : {headerBlock("A.TXT", 1), dataBlock(BLOCK_LAST, 1, "a"),
                               headerBlock("PRM232C.TXT", 8), dataBlock(BLOCK_LAST, 1, "settings"),
                               headerBlock("B.TXT", 1), dataBlock(BLOCK_LAST, 1, "b")}) {
        steps.insert(steps.end(), {{block, block.size()}, {{ACK}, 1}});  // echo, verdict, ACK
    }
    steps.push_back({ESC_E, 0});
    const int result = transfer(steps);
    EXPECT_EQ(result, GET_FILES_REFUSED);
    EXPECT_EQ(fileBytes("A.TXT"), "a");
    EXPECT_EQ(fileBytes("B.TXT"), "b");
    EXPECT_FALSE(fs::exists("PRM232C.TXT"));
    EXPECT_TRUE(consoleHasPrefix("*Refused file name from MS-DOS (velmo's own settings file)"));
    EXPECT_STREQ(ctx.failureWords, FILES_REFUSED_WORDS);
}

// A cancel is taken between events, also while the other side sends only noise.
TEST_F(GetTransferTest, CancelActsWhileTheLineCarriesOnlyNoise) {
    const int result = transfer({{ESC_R, 1}, {Bytes(64, 'x'), 2}},
                                [&](int tick) { ctx.cancelRequested = tick >= 3; });
    EXPECT_EQ(result, -2);
    EXPECT_EQ(heard, Bytes({ACK, ESC, 'E'}));
}

// What is at the destination name decides too: never through a link, never into anything but
// a regular file, never into a file velmo has open itself.
TEST_F(GetTransferTest, OnlyRegularFilesOfNoOneElseAreWritten) {
    fs::create_directory("outside");
    dir.writeFile("outside/target", "target");
    fs::create_symlink(fs::absolute("outside/target"), "LINK.TXT");
    ASSERT_EQ(mkfifo("FIFO.TXT", 0600), 0);
    dir.writeFile("SCRIPT.TXT", "#GET *.TXT");
    dir.writeFile("RO.TXT", "read-only");
    fs::permissions("RO.TXT", fs::perms::owner_read);
    const int script = open("SCRIPT.TXT", O_RDONLY);
    ASSERT_GE(script, 0);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"LINK.TXT", "a symbolic link is there"},
        {"FIFO.TXT", "not a regular file"},
        {"SCRIPT.TXT", "velmo's own file"},
        {"RO.TXT", "a read-only file is there"}};
    for (const auto& [name, refusal] : cases) {
        heard.clear();
        EXPECT_EQ(transfer(oneFile(name)), GET_FILES_REFUSED) << name;
        EXPECT_EQ(heard, Bytes({ACK, ACK, ACK})) << name;
        EXPECT_TRUE(consoleHasPrefix("*Refused file name from MS-DOS (" + refusal)) << name;
    }
    close(script);
    EXPECT_EQ(fileBytes("outside/target"), "target");
    EXPECT_TRUE(fs::is_symlink("LINK.TXT"));
    EXPECT_EQ(fileBytes("SCRIPT.TXT"), "#GET *.TXT");
    EXPECT_EQ(fileBytes("RO.TXT"), "read-only");
}

// Ended by SIGTERM in the middle of a file: the old file is whole and no temporary is left.
TEST_F(GetTransferTest, AnExistingFileSurvivesSigterm) {
    dir.writeFile("OLD.TXT", "the old text");
    const pid_t child = fork();
    if (child == 0) {
        runTicks(a_GetResponseFrom98);
        _exit(0);
    }
    ASSERT_GT(child, 0);
    std::vector<DosStep> steps = {{ESC_R, 1},
                                  {headerBlock("OLD.TXT", 10000), 1},
                                  {dataBlock(BLOCK_DATA, 1, patterned(4096)), 1}};
    playSteps(pty.master(), steps, &heard);
    EXPECT_EQ(heard, Bytes({ACK, ACK, ACK}));
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(fileBytes("OLD.TXT"), "the old text");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

}  // namespace
