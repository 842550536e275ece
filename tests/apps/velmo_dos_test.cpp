// velmo-dos end to end: the real executable on a pseudo-terminal, driven either by velmo's own
// link functions (as the driver calls them, one step per tick) or byte by byte where the test
// is about what crosses the line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "base/encoding.h"
#include "base/view_host.h"
#include "console/link_context.h"
#include "link/link.h"
#include "link/transfer_io.h"
#include "support/dos_machine.h"
#include "support/file_bytes.h"
#include "support/pty_pair.h"
#include "support/raw_line.h"
#include "support/recording_status_bar.h"
#include "support/recording_surface.h"
#include "support/temp_working_directory.h"
#include "wire/wire_format.h"

namespace {

time_t modifiedTime(const std::filesystem::path& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

// velmo's side of the cable as the driver runs it, in a temporary working directory.
class HostSide {
  public:
    explicit HostSide(const DosMachine& machine) : ctx_(std::make_unique<LinkContext>()) {
        a_ContextDefaults(ctx_.get());
        machine.connect(ctx_.get());
        ctx_->statusBar = &statusBar_;
    }
    ~HostSide() { closePort(); }

    // Types `command` at the prompt and runs the exchange to its end; returns the last step's
    // result (-1 normal end, -2 cancelled or given up, otherwise a failure code).
    int run(const std::string& command) {
        ctx_->lineCount = 0;  // a fresh screen per command keeps the answer in view
        const std::string text = std::string(ctx_->promptText) + command;
        ConsoleLine& line = ctx_->lines[ctx_->lineCount++];
        std::memset(line.text, 0, sizeof line.text);
        std::memcpy(line.text, text.data(), text.size());
        line.length = int32_t(text.size());
        line.state = LINE_COMMAND;
        ctx_->tickCount = 1;
        // The command's step runs in the same tick as the command, and in every later one.
        int result = a_CommandTo98(ctx_.get(), &surface_);
        for (int tick = 1; result == 0; ++tick) {
            ctx_->tickCount = tick;
            result = ctx_->getMode   ? a_GetResponseFrom98(ctx_.get(), &surface_)
                     : ctx_->putMode ? a_PutResponseFrom98(ctx_.get(), &surface_)
                                     : a_ResponseFrom98(ctx_.get(), &surface_);
        }
        if (result != -1) closePort();  // as the driver does after every other end
        return result;
    }

    std::vector<std::string> console() const {
        std::vector<std::string> lines;
        for (int i = 0; i < ctx_->lineCount; ++i) {
            lines.emplace_back(ctx_->lines[i].text, size_t(ctx_->lines[i].length));
        }
        return lines;
    }
    bool consoleHas(const std::string& text) const {
        for (const std::string& line : console()) {
            if (line.find(text) != std::string::npos) return true;
        }
        return false;
    }
    std::string prompt() const { return ctx_->promptText; }
    const ConsoleLine& newestLine() const { return ctx_->lines[ctx_->lineCount - 1]; }
    const std::filesystem::path& directory() const { return dir_.path(); }
    void writeFile(const std::string& name, const std::string& bytes, time_t modified) const {
        dir_.writeFile(name, bytes);
        const timespec times[2] = {{modified, 0}, {modified, 0}};
        utimensat(AT_FDCWD, (dir_.path() / name).c_str(), times, 0);
    }

  private:
    void closePort() {
        if (!ctx_->portOpen) return;
        k_link_close(ctx_.get());
    }

    TempWorkingDirectory dir_;
    std::unique_ptr<LinkContext> ctx_;
    RecordingSurface surface_;
    RecordingStatusBar statusBar_;
};

// ---- Plain commands ----

// On a real device velmo-dos sets the line as velmo does by default: 8N1.
TEST(VelmoDos, DeviceIsSetToOneStopBit) {
    PtyPair pty;
    TempWorkingDirectory root;
    termios before{};
    ASSERT_EQ(tcgetattr(pty.master(), &before), 0);
    cfsetspeed(&before, B300);  // so that velmo-dos's own setting shows
    ASSERT_EQ(tcsetattr(pty.master(), TCSANOW, &before), 0);
    std::string program = VELMO_BIN_DIR "/velmo-dos";
    std::string rootPath = root.path().string();
    std::string device = pty.slavePath();
    char* argv[] = {program.data(),  const_cast<char*>("--root"),
                    rootPath.data(), const_cast<char*>("--device"),
                    device.data(),   nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[0], argv);
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    termios line{};
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(tcgetattr(pty.master(), &line), 0);
        if (cfgetospeed(&line) == B9600) break;
        usleep(10000);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    ASSERT_EQ(cfgetospeed(&line), speed_t(B9600));
    EXPECT_EQ(line.c_cflag & CSTOPB, 0u);
}

TEST(VelmoDos, DirListsTheDriveAndEndsWithTheNewPrompt) {
    DosMachine machine;
    machine.writeFile("README.TXT", std::string(20, 'x'), stamp2000());
    machine.makeDirectory("SUB");
    HostSide velmo(machine);

    EXPECT_EQ(velmo.run("DIR"), -1);
    EXPECT_TRUE(velmo.consoleHas(" Volume in drive A is VELMO"));
    EXPECT_TRUE(velmo.consoleHas(" Directory of A:\\"));
    EXPECT_TRUE(velmo.consoleHas("README   TXT        20 01-15-00  12:30p"));
    EXPECT_TRUE(velmo.consoleHas("SUB            <DIR>"));
    EXPECT_TRUE(velmo.consoleHas("        2 File(s)"));
    EXPECT_EQ(velmo.prompt(), "A:\\>");
    EXPECT_EQ(velmo.newestLine().state, LINE_PROMPT);
}

TEST(VelmoDos, ManyStarsAgainstALongNameAreAnsweredAtOnceAndSigtermStillStops) {
    DosMachine machine;
    machine.writeFile(std::string(200, 'a'), "x");
    HostSide velmo(machine);
    EXPECT_EQ(velmo.run("DIR *a*a*a*a*a*a*b"), -1);
    EXPECT_TRUE(velmo.consoleHas("        1 File(s)"));  // "*" takes the name part, as on MS-DOS
    EXPECT_TRUE(machine.stop());                         // waiting for the next command
}

TEST(VelmoDos, CdChangesThePromptAndNamesIgnoreCase) {
    DosMachine machine;
    machine.makeDirectory("Sub");
    machine.writeFile("Sub/Note.txt", "in sub\r\n");
    HostSide velmo(machine);

    EXPECT_EQ(velmo.run("cd SUB"), -1);
    EXPECT_EQ(velmo.prompt(), "A:\\Sub>");
    EXPECT_EQ(velmo.run("TYPE NOTE.TXT"), -1);
    EXPECT_TRUE(velmo.consoleHas("in sub"));
    EXPECT_EQ(velmo.run("CD.."), -1);
    EXPECT_EQ(velmo.prompt(), "A:\\>");
}

TEST(VelmoDos, UnknownCommandIsAnsweredAsMsDosWould) {
    DosMachine machine;
    HostSide velmo(machine);
    EXPECT_EQ(velmo.run("FORMAT C:"), -1);
    EXPECT_TRUE(velmo.consoleHas("Bad command or file name"));
    EXPECT_EQ(velmo.newestLine().state, LINE_PROMPT);
}

TEST(VelmoDos, TypeSendsTabsForVelmoToExpandAndStopsAtEndOfFileMark) {
    DosMachine machine;
    machine.writeFile("T.TXT", "ab\tcd\r\nsecond\r\n\x1Ahidden\r\n");
    RawLine line(machine);
    std::string prompt;
    EXPECT_EQ(line.command("TYPE T.TXT", &prompt), (std::vector<std::string>{"ab\tcd", "second"}));
    EXPECT_EQ(prompt, "A:\\>");
}

TEST(VelmoDos, LongLinesAreWrappedIntoRecordsOfEightyBytes) {
    DosMachine machine;
    RawLine line(machine);
    std::string prompt;
    const std::string text(100, 'z');
    EXPECT_EQ(line.command("ECHO " + text, &prompt),
              (std::vector<std::string>{text.substr(0, 80), text.substr(80)}));
}

TEST(VelmoDos, NakAfterARecordEndsTheAnswerAtOnce) {
    DosMachine machine;
    for (int i = 0; i < 10; ++i) machine.writeFile("F" + std::to_string(i) + ".TXT", "x");
    RawLine line(machine);
    std::vector<std::string> lines;
    std::string prompt;
    ASSERT_EQ(line.frame(0, "DIR"), Bytes{ACK});
    EXPECT_TRUE(line.answer(&lines, &prompt, 1));
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_TRUE(line.quiet(200));
}

TEST(VelmoDos, FrameWhoseCopiesDifferIsRefusedAndTheNextOneServed) {
    DosMachine machine;
    RawLine line(machine);
    EXPECT_EQ(line.frame(0, "VER", "VEX"), (Bytes{ESC, 0x02}));
    std::string prompt;
    EXPECT_FALSE(line.command("VER", &prompt).empty());
}

// ---- File and directory commands ----

struct ShellCase {
    const char* command;
    std::vector<std::string> answer;
    std::vector<std::string> present;  // host paths under the root afterwards
    std::vector<std::string> absent;
};

class ShellCommand : public ::testing::TestWithParam<ShellCase> {};

TEST_P(ShellCommand, AnswersAndChangesTheDriveAsMsDosWould) {
    DosMachine machine;
    machine.writeFile("A.TXT", "a");
    machine.writeFile("B.TXT", "bb");
    machine.writeFile("C.DOC", "ccc");
    machine.makeDirectory("SUB");
    machine.makeDirectory("FULL");
    machine.writeFile("FULL/X.TXT", "x");
    RawLine line(machine);
    std::string prompt;

    EXPECT_EQ(line.command(GetParam().command, &prompt), GetParam().answer);
    EXPECT_EQ(prompt, "A:\\>");
    for (const std::string& path : GetParam().present) {
        EXPECT_TRUE(std::filesystem::exists(machine.root() + "/" + path)) << path;
    }
    for (const std::string& path : GetParam().absent) {
        EXPECT_FALSE(std::filesystem::exists(machine.root() + "/" + path)) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(
    VelmoDos, ShellCommand,
    ::testing::Values(
        ShellCase{"REN *.TXT *.BAK", {}, {"A.BAK", "B.BAK", "C.DOC"}, {"A.TXT", "B.TXT"}},
        ShellCase{"ren a.txt B.TXT", {"Duplicate file name or file not found"}, {"A.TXT"}, {}},
        ShellCase{"DEL *.TXT", {}, {"C.DOC"}, {"A.TXT", "B.TXT"}},
        ShellCase{"DEL NONE.*", {"File not found"}, {}, {}},
        ShellCase{"DEL SUB", {"Access denied - SUB"}, {"SUB"}, {}},
        ShellCase{"COPY *.TXT sub",
                  {"A.TXT", "B.TXT", "        2 file(s) copied"},
                  {"SUB/A.TXT", "SUB/B.TXT"},
                  {"SUB/C.DOC"}},
        ShellCase{
            "COPY C.DOC SUB\\D.DOC", {"        1 file(s) copied"}, {"SUB/D.DOC", "C.DOC"}, {}},
        ShellCase{"COPY A.TXT",
                  {"File cannot be copied onto itself", "        0 file(s) copied"},
                  {"A.TXT"},
                  {}},
        ShellCase{"MD NEW", {}, {"NEW"}, {}},
        ShellCase{"MD sub", {"Unable to create directory"}, {}, {"sub"}},
        ShellCase{"RD SUB", {}, {}, {"SUB"}},
        ShellCase{
            "RD FULL", {"Invalid path, not directory,", "or directory not empty"}, {"FULL"}, {}},
        ShellCase{"TYPE NONE.TXT", {"File not found - NONE.TXT"}, {}, {}},
        ShellCase{"B:", {"Invalid drive specification"}, {}, {}}, ShellCase{"ECHO OFF", {}, {}, {}},
        ShellCase{"DIR /X", {"Invalid switch - /X"}, {}, {}},
        // Drive A: has no names starting with a dot: none may be planted.
        ShellCase{"MD .git", {"Unable to create directory"}, {}, {".git"}},
        ShellCase{"COPY A.TXT .profile", {"Invalid file name"}, {}, {".profile"}},
        ShellCase{"REN *.TXT .*", {"Invalid parameter - .*"}, {"A.TXT", "B.TXT"}, {".TXT"}}));

// ---- Nothing escapes drive A: ----

class EscapeAttempt : public ::testing::TestWithParam<const char*> {};

TEST_P(EscapeAttempt, IsRefusedAndLeavesTheCurrentDirectory) {
    DosMachine machine;
    machine.makeDirectory("SUB");
    std::ofstream(machine.root() + "/../secret.txt") << "TOP SECRET";
    RawLine line(machine);
    std::string prompt;
    line.command("CD SUB", &prompt);

    const std::vector<std::string> lines = line.command(GetParam(), &prompt);
    EXPECT_EQ(prompt, "A:\\SUB>");
    for (const std::string& text : lines) EXPECT_EQ(text.find("SECRET"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(machine.root() + "/../X"));
    EXPECT_EQ(fileBytes(machine.root() + "/../secret.txt"), "TOP SECRET");
}

INSTANTIATE_TEST_SUITE_P(VelmoDos, EscapeAttempt,
                         ::testing::Values("CD ..\\..", "CD \\..", "CD A:..\\..\\..",
                                           "TYPE ..\\..\\secret.txt", "TYPE /../secret.txt",
                                           "TYPE ..\\..\\..\\..\\etc\\passwd", "DIR ..\\..\\*.*",
                                           "COPY ..\\..\\secret.txt", "MD ..\\..\\X",
                                           "DEL ..\\..\\secret.txt", "REN ..\\..\\secret.txt X",
                                           "CD C:\\"));

TEST(VelmoDos, TransferNamesOutsideTheDriveAreRefusedWithAnErrorCode) {
    DosMachine machine;
    std::ofstream(machine.root() + "/../secret.txt") << "TOP SECRET";
    RawLine line(machine);
    EXPECT_EQ(line.frame(COMMAND_GET, "..\\secret.txt"), (Bytes{ESC, 0x11}));
    EXPECT_EQ(line.frame(COMMAND_GET, "NOTHING.*"), (Bytes{ESC, 0x10}));
    EXPECT_EQ(line.frame(COMMAND_PUT, "..\\x"), (Bytes{ESC, 0x11}));
    EXPECT_EQ(line.frame(COMMAND_PUT, "NOSUCH\\x"), (Bytes{ESC, 0x11}));
    EXPECT_EQ(line.frame(COMMAND_PUT, ".profile"), (Bytes{ESC, 0x11}));
}

TEST(VelmoDos, PutHeaderNamesAreCutToTheirLastComponent) {
    DosMachine machine;
    RawLine line(machine);
    ASSERT_EQ(line.frame(COMMAND_PUT, ""), Bytes{ACK});
    EXPECT_EQ(line.putBlock(headerBlock("..\\..\\evil.txt", 3)), Bytes{ACK});
    EXPECT_EQ(line.putBlock(dataBlock(BLOCK_LAST, 1, "abc")), Bytes{ACK});
    EXPECT_EQ(line.putBlock(headerBlock("..", 3)), (Bytes{ESC, 'E'}));
    ASSERT_EQ(line.frame(COMMAND_PUT, ""), Bytes{ACK});
    EXPECT_EQ(line.putBlock(headerBlock(".profile", 3)), (Bytes{ESC, 'E'}));
    EXPECT_EQ(machine.readFile("evil.txt"), "abc");
    EXPECT_FALSE(std::filesystem::exists(machine.root() + "/.profile"));
    EXPECT_FALSE(std::filesystem::exists(machine.root() + "/../evil.txt"));
}

// ---- GET ----

class GetTransfer : public ::testing::TestWithParam<bool> {
  protected:
    std::string verify() const { return GetParam() ? " /V" : ""; }
};

TEST_P(GetTransfer, FilesArriveByteForByteWithTheirTimes) {
    DosMachine machine;
    machine.makeDirectory("SUB");
    const std::map<std::string, std::string> files = {
        {"A.TXT", "abc"},
        {"B.BIN", patterned(5000)},
        {"C.BIN", patterned(4096)},
        {"EMPTY.TXT", ""},
    };
    for (const auto& [name, bytes] : files) machine.writeFile("SUB/" + name, bytes, stamp2000());
    HostSide velmo(machine);

    EXPECT_EQ(velmo.run("#GET SUB\\*.*" + verify()), -1);
    for (const auto& [name, bytes] : files) {
        EXPECT_TRUE(fileBytes(velmo.directory() / name) == bytes) << name;
        EXPECT_EQ(modifiedTime(velmo.directory() / name), stamp2000()) << name;
    }
    // One file by a path in any case; it arrives under its MS-DOS name.
    std::filesystem::remove(velmo.directory() / "A.TXT");
    EXPECT_EQ(velmo.run("#GET sub\\a.txt" + verify()), -1);
    EXPECT_EQ(fileBytes(velmo.directory() / "A.TXT"), "abc");
}

TEST_P(GetTransfer, CorruptedBlockIsRepeatedAndAccepted) {
    DosMachine machine({"--corrupt-once", "2"});
    machine.writeFile("B.BIN", patterned(9000));
    HostSide velmo(machine);
    EXPECT_EQ(velmo.run("#GET B.BIN" + verify()), -1);
    EXPECT_TRUE(velmo.consoleHas("%Data error, BlockNo=2 Retry=1"));
    EXPECT_FALSE(velmo.consoleHas("Retry=2"));
    EXPECT_TRUE(fileBytes(velmo.directory() / "B.BIN") == patterned(9000));
}

INSTANTIATE_TEST_SUITE_P(VelmoDos, GetTransfer, ::testing::Bool());

TEST(VelmoDos, GetSendsHeaderAndLastBlockByteForByte) {
    DosMachine machine;
    machine.writeFile("A.TXT", "abc", stamp2000());
    RawLine line(machine);
    ASSERT_EQ(line.frame(COMMAND_GET, "a.txt"), Bytes{ACK});
    EXPECT_EQ(readBytes(line.fd(), 2), (Bytes{ESC, 'R'}));
    writeBytes(line.fd(), Bytes{ACK});
    EXPECT_EQ(readBytes(line.fd(), 17), (Bytes{0x02, 0x81, 0x0D, 0x00, 0x2F, 0x28, 0xC0, 0x63, 0x03,
                                               0x00, 0x00, 0x00, 'A', '.', 'T', 'X', 'T'}));
    writeBytes(line.fd(), Bytes{ACK});
    EXPECT_EQ(readBytes(line.fd(), 15), (Bytes{0x02, 0x82, 0x0B, 0x00, 0x01, 0x00, 0x00, 0x00, 0x26,
                                               0x01, 0x00, 0x00, 'a', 'b', 'c'}));
    writeBytes(line.fd(), Bytes{ACK});
    EXPECT_EQ(readBytes(line.fd(), 2), (Bytes{ESC, 'E'}));
}

TEST(VelmoDos, SixRejectionsEndTheGetAndTheMachineServesOn) {
    DosMachine machine({"--corrupt-block", "1"});
    machine.writeFile("B.BIN", patterned(100));
    HostSide velmo(machine);
    EXPECT_EQ(velmo.run("#GET B.BIN"), -2);
    EXPECT_TRUE(velmo.consoleHas("%Data error, BlockNo=1 Retry=6"));
    EXPECT_EQ(velmo.run("VER"), -1);
    EXPECT_EQ(velmo.prompt(), "A:\\>");
}

TEST(VelmoDos, EndAfterStopsTheGetEarly) {
    DosMachine machine({"--end-after", "1"});
    machine.writeFile("B.BIN", patterned(9000));
    HostSide velmo(machine);
    EXPECT_EQ(velmo.run("#GET B.BIN"), 45);  // the file is not complete: the command failed
    EXPECT_TRUE(fileBytes(velmo.directory() / "B.BIN") == patterned(4096));
}

TEST(VelmoDos, SilentAfterSendsNothingMoreAndLeavesNothingBehind) {
    DosMachine machine({"--silent-after", "20"});
    machine.writeFile("B.BIN", patterned(9000));
    RawLine line(machine);
    ASSERT_EQ(line.frame(COMMAND_GET, "B.BIN"), Bytes{ACK});
    EXPECT_EQ(readBytes(line.fd(), 2), (Bytes{ESC, 'R'}));
    writeBytes(line.fd(), Bytes{ACK});
    EXPECT_EQ(readBytes(line.fd(), BLOCK_PAYLOAD_OFFSET + 5).size(),
              size_t(BLOCK_PAYLOAD_OFFSET + 5));
    writeBytes(line.fd(), Bytes{ACK});
    EXPECT_EQ(readBytes(line.fd(), 100, 500), Bytes{STX});  // 2 + 17 + 1 bytes, then silence
    writeBytes(line.fd(), Bytes{ESC, 'E'});                 // velmo gives up after its time-out
    std::string prompt;
    EXPECT_FALSE(line.command("VER", &prompt).empty());
}

TEST(VelmoDos, HostileNameGoesIntoTheHeaderAsGiven) {
    DosMachine machine({"--hostile-name", "..\\x5Cevil"});
    machine.writeFile("B.BIN", "abc");
    RawLine line(machine);
    ASSERT_EQ(line.frame(COMMAND_GET, "B.BIN"), Bytes{ACK});
    EXPECT_EQ(readBytes(line.fd(), 2), (Bytes{ESC, 'R'}));
    writeBytes(line.fd(), Bytes{ACK});
    const Bytes header = readBytes(line.fd(), BLOCK_PAYLOAD_OFFSET + 7);
    ASSERT_EQ(header.size(), size_t(BLOCK_PAYLOAD_OFFSET + 7));
    EXPECT_EQ(std::string(header.begin() + BLOCK_PAYLOAD_OFFSET, header.end()), "..\\evil");
}

TEST(VelmoDos, JapaneseNamesTravelAsShiftJisAndLandAsUtf8) {
    DosMachine machine;
    machine.writeFile("日本語.TXT", "nihongo");
    HostSide velmo(machine);
    std::string base, name;
    ASSERT_TRUE(k_cp932_from_utf8("日本語", &base));
    ASSERT_TRUE(k_cp932_from_utf8("日本語.TXT", &name));

    EXPECT_EQ(velmo.run("DIR"), -1);
    EXPECT_TRUE(velmo.consoleHas(base + "   TXT         7"));  // 6 bytes: an 8.3 name
    EXPECT_EQ(velmo.run("#GET " + name), -1);
    EXPECT_EQ(fileBytes(velmo.directory() / "日本語.TXT"), "nihongo");

    velmo.writeFile("表.TXT", "hyou", stamp2000());
    ASSERT_TRUE(k_cp932_from_utf8("表.TXT", &name));
    EXPECT_EQ(velmo.run("#PUT " + name), -1);
    EXPECT_EQ(machine.readFile("表.TXT"), "hyou");
}

// ---- PUT ----

class PutTransfer : public ::testing::TestWithParam<bool> {
  protected:
    std::string verify() const { return GetParam() ? " /V" : ""; }
};

TEST_P(PutTransfer, WildcardFilesArriveAndEmptyOnesAreSkipped) {
    DosMachine machine;
    machine.makeDirectory("IN");
    HostSide velmo(machine);
    velmo.writeFile("A.TXT", "abc", stamp2000());
    velmo.writeFile("B.BIN", patterned(8192), stamp2000());
    velmo.writeFile("EMPTY.TXT", "", stamp2000());

    EXPECT_EQ(velmo.run("#PUT * IN\\" + verify()), -1);
    EXPECT_EQ(machine.readFile("IN/A.TXT"), "abc");
    EXPECT_TRUE(machine.readFile("IN/B.BIN") == patterned(8192));
    EXPECT_EQ(modifiedTime(machine.root() + "/IN/B.BIN"), stamp2000());
    EXPECT_FALSE(std::filesystem::exists(machine.root() + "/IN/EMPTY.TXT"));
}

TEST_P(PutTransfer, RejectedBlockIsRepeatedTheGivenNumberOfTimes) {
    DosMachine machine({"--nak-block", "1", "--nak-count", "2"});
    HostSide velmo(machine);
    velmo.writeFile("A.TXT", "abc", stamp2000());
    EXPECT_EQ(velmo.run("#PUT A.TXT" + verify()), -1);
    EXPECT_TRUE(velmo.consoleHas("%Data error, BlockNo=1 Retry=2"));
    EXPECT_EQ(machine.readFile("A.TXT"), "abc");
}

INSTANTIATE_TEST_SUITE_P(VelmoDos, PutTransfer, ::testing::Bool());

TEST(VelmoDos, PutIntoANamedFileReplacesItWhateverItsCase) {
    DosMachine machine;
    machine.writeFile("target.txt", "old");
    HostSide velmo(machine);
    velmo.writeFile("new.txt", "new bytes", stamp2000());
    EXPECT_EQ(velmo.run("#PUT new.txt TARGET.TXT"), -1);
    EXPECT_EQ(machine.readFile("target.txt"), "new bytes");
    EXPECT_FALSE(std::filesystem::exists(machine.root() + "/TARGET.TXT"));
}

TEST(VelmoDos, SixRejectionsEndThePutAndLeaveNoPartialFile) {
    DosMachine machine({"--nak-block", "2"});
    machine.writeFile("B.BIN", "the old file");
    HostSide velmo(machine);
    velmo.writeFile("B.BIN", patterned(5000), stamp2000());
    EXPECT_EQ(velmo.run("#PUT B.BIN"), 42);
    EXPECT_TRUE(velmo.consoleHas("%Data error, BlockNo=2 Retry=6"));
    EXPECT_EQ(machine.readFile("B.BIN"), "the old file");
    EXPECT_EQ(velmo.run("VER"), -1);
}

}  // namespace
