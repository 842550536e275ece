// velmo --batch as a user runs it: the real program in a temporary directory with its
// PRM232C.TXT, against velmo-dos on a pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/dos_machine.h"
#include "support/file_bytes.h"
#include "support/pty_pair.h"
#include "support/temp_working_directory.h"
#include "support/velmo_process.h"
#include "wire/wire_format.h"

namespace {

namespace fs = std::filesystem;

time_t modified(const fs::path& path) {
    struct stat info = {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mtime;
}

void writeLocal(const fs::path& path, const std::string& bytes, time_t when) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    const timespec times[2] = {{when, 0}, {when, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string binaryBytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i++) bytes[i] = char((i * 131 + i / 7) & 0xFF);
    return bytes;
}

class BatchTest : public ::testing::Test {
  protected:
    void useMachine(const DosMachine& dos) const {
        here.writeFile("PRM232C.TXT", "COM1=" + dos.linkPath() + "\r\nTIMEOUT=5\r\n");
    }

    TempWorkingDirectory here;
};

TEST_F(BatchTest, ScriptRunsToTheEndWithConsoleTranscriptAndFilesCopied) {
    DosMachine dos;
    const time_t dosTime = localTime(2001, 2, 3, 4, 5, 6);
    const time_t localFileTime = localTime(2010, 11, 12, 13, 14, 16);
    const std::string bigText = [] {
        std::string text;
        for (int i = 0; i < 300; i++) text += "line " + std::to_string(i) + " of B\r\n";
        return text;
    }();
    dos.writeFile("A.TXT", "hello dos\r\n", dosTime);
    dos.writeFile("B.TXT", bigText, dosTime);
    writeLocal(here.path() / "up/ONE.TXT", "one\r\n", localFileTime);
    writeLocal(here.path() / "up/TWO.BIN", binaryBytes(9000), localFileTime);
    fs::create_directory(here.path() / "got");
    useMachine(dos);

    Finished run = runVelmo({"--batch"},
                            "dir\ntype A.TXT\r\n#GET *.TXT got/ /V\n\n"
                            "#PUT up/*.* /V\nver\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");

    std::vector<std::string> lines = linesOf(run.out);
    ASSERT_GE(lines.size(), 10u) << run.out;
    EXPECT_EQ(lines.front(), "MS-DOS>dir");
    EXPECT_EQ(lines.back(), "A:\\>");
    // Each command once, in place of its prompt; no prompt alone but the last.
    std::vector<std::string> commands;
    for (size_t i = 0; i < lines.size(); i++) {
        if (lines[i].rfind("A:\\>", 0) == 0 && lines[i] != "A:\\>") commands.push_back(lines[i]);
        if (lines[i] == "A:\\>") {
            EXPECT_EQ(i, lines.size() - 1) << run.out;
        }
        EXPECT_EQ(lines[i].rfind("*RS-232C", 0), std::string::npos) << lines[i];
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"A:\\>type A.TXT", "A:\\>#GET *.TXT got/ /V",
                                                  "A:\\>#PUT up/*.* /V", "A:\\>ver"}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "hello dos"), lines.end()) << run.out;

    EXPECT_EQ(fileBytes(here.path() / "got/A.TXT"), "hello dos\r\n");
    EXPECT_EQ(fileBytes(here.path() / "got/B.TXT"), bigText);
    EXPECT_EQ(modified(here.path() / "got/A.TXT"), dosTime);
    EXPECT_EQ(modified(here.path() / "got/B.TXT"), dosTime);
    EXPECT_EQ(dos.readFile("ONE.TXT"), "one\r\n");
    EXPECT_EQ(dos.readFile("TWO.BIN"), binaryBytes(9000));
    EXPECT_EQ(modified(dos.root() + "/ONE.TXT"), localFileTime);
    EXPECT_EQ(modified(dos.root() + "/TWO.BIN"), localFileTime);
}

struct Invocation {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    int status;
    const char* out;  // expected within standard output
    const char* err;  // expected within standard error
};

class InvocationTest : public BatchTest, public ::testing::WithParamInterface<Invocation> {};

TEST_P(InvocationTest, ExitStatusAndMessage) {
    // COM1 names a device that does not exist: any command that reaches the port fails.
    here.writeFile("PRM232C.TXT", "COM1=/nonexistent/velmo-tty\r\nTIMEOUT=1\r\n");
    Finished run = runVelmo(GetParam().args, GetParam().input);
    EXPECT_EQ(run.status, GetParam().status) << run.out << run.err;
    EXPECT_NE(run.out.find(GetParam().out), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(GetParam().err), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Invocations, InvocationTest,
    ::testing::Values(
        Invocation{"Help", {"--help"}, "", 0, "--batch", ""},
        Invocation{"HelpNamesTheParameterFile", {"--help"}, "", 0, "PRM232C.TXT", ""},
        Invocation{"HelpSaysWhereVelmodIs", {"--help"}, "", 0, "VELMOD.COM, in /", ""},
        Invocation{"Version", {"--version"}, "", 0, "velmo 2.11\n", ""},
        Invocation{"UnknownOption", {"--frobnicate"}, "", 2, "", "unknown option '--frobnicate'"},
        Invocation{"ExtraArgument", {"--batch", "dir"}, "", 2, "", "Usage: velmo"},
        Invocation{"EmptyInput", {"--batch"}, "\n   \n\r\n", 0, "", ""},
        Invocation{"PortMissing",
                   {"--batch"},
                   "dir\n",
                   1,
                   "MS-DOS>dir\n*RS-232C Send-error, code=0x0100000A  ",
                   ""},
        Invocation{"PortMissingExplained", {"--batch"}, "dir\n", 1, "no such device", ""},
        Invocation{"LineNotShiftJis", {"--batch"}, "\xff\xfe\n", 1, "", "line 1:"},
        Invocation{
            "CommandTooLong",
            {"--batch"},
            "\necho 0123456789012345678901234567890123456789012345678901234567890123456789\n",
            1,
            "",
            "line 2: the command is 75 bytes long, but only 73 fit"},
        Invocation{"ControlCharacter", {"--batch"}, "dir\x01\n", 1, "", "control character"},
        Invocation{"LineOverLimit",
                   {"--batch"},
                   "\n" + std::string(65537, 'x') + "\n#GET\n",
                   1,
                   "*Usage : #GET",
                   "line 2: it is longer than 65536 bytes"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(BatchTest, UsageTextIsNoFailure) {
    here.writeFile("PRM232C.TXT", "COM1=/nonexistent/velmo-tty\r\n");
    Finished run = runVelmo({"--batch"}, "#PUT\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(linesOf(run.out).size(), 4u) << run.out;
}

TEST_F(BatchTest, ParameterFileNoticeIsPrintedFirst) {
    here.writeFile("PRM232C.TXT", std::string(65 * 1024, ';'));
    Finished run = runVelmo({"--batch"}, "#PUT\n");
    EXPECT_EQ(linesOf(run.out).front(),
              "*PRM232C.TXT not read (larger than 64 KiB); default settings used");
}

// A command slow enough to be interrupted: a TYPE of some thousands of lines, one record each.
class InterruptTest : public BatchTest {
  protected:
    InterruptTest() {
        std::string text;
        for (int i = 0; i < 5000; i++)
            text += "a long line of text, number " + std::to_string(i) + "\r\n";
        dos.writeFile("LONG.TXT", text);
        useMachine(dos);
    }

    void waitForOutputLines(const VelmoProcess& velmo, size_t count) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (linesOf(velmo.outputSoFar()).size() < count) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << velmo.outputSoFar();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    DosMachine dos;
};

TEST_F(InterruptTest, FirstCtrlCCancelsTheCommandAndTheScriptGoesOn) {
    VelmoProcess velmo({"--batch"}, "type LONG.TXT\nver\n");
    waitForOutputLines(velmo, 4);
    velmo.interrupt();
    Finished run = velmo.wait();

    EXPECT_EQ(run.status, 1) << run.err;
    std::vector<std::string> lines = linesOf(run.out);
    auto notice = std::find(lines.begin(), lines.end(), "*処理を中断しました。");
    ASSERT_NE(notice, lines.end()) << run.out;
    EXPECT_LT(lines.size(), 2000u) << "the command went on after the cancel";
    ASSERT_NE(notice + 1, lines.end());
    EXPECT_EQ(notice[1], "MS-DOS>ver");
    EXPECT_NE(run.out.find("Velmo-DOS Version"), std::string::npos) << run.out;
}

TEST_F(BatchTest, CtrlCEndsAWaitOnATricklingLineAndTheScriptGoesOn) {
    PtyPair line;
    here.writeFile("PRM232C.TXT", "COM1=" + line.slavePath() + "\r\nTIMEOUT=5\r\n");
    std::atomic<bool> done{false};
    std::atomic<int> trickled{0};
    ScriptedPeer dos(line.master(), [&](int fd) {
        readBytes(fd, 2);  // the frame in its two acknowledged parts
        writeBytes(fd, {ACK});
        readBytes(fd, 64, 300);
        writeBytes(fd, {ACK});
        // An answer record, one byte every 0.9 s: no idle time-out ever runs out.
        std::vector<uint8_t> record = {STX, 0, 80, 0};
        record.insert(record.end(), 80, 'x');
        for (size_t i = 0; i < record.size() && !done; i++, trickled++) {
            writeBytes(fd, {record[i]});
            for (int slice = 0; slice < 9 && !done; slice++) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
    });
    VelmoProcess velmo({"--batch"}, "dir\n#PUT\n");
    while (trickled < 2) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    velmo.interrupt();
    Finished run = velmo.wait(10);  // normally ends within half a second
    done = true;

    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("*処理を中断しました。\nMS-DOS>#PUT\n*"), std::string::npos) << run.out;
}

TEST_F(InterruptTest, SecondCtrlCEndsVelmo) {
    // Long enough that the second Ctrl+C comes while commands are still to run.
    VelmoProcess velmo({"--batch"}, "type LONG.TXT\ntype LONG.TXT\ntype LONG.TXT\nver\n");
    waitForOutputLines(velmo, 4);
    velmo.interrupt();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    velmo.interrupt();
    Finished run = velmo.wait();

    EXPECT_EQ(run.status, 130);
    EXPECT_NE(run.err.find("velmo: interrupted"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("Velmo-DOS Version"), std::string::npos) << run.out;
}

// A file that did not arrive whole, or could not be sent, ends the script with status 1.
struct TransferOutcome {
    const char* name;
    std::vector<std::string> dosOptions;
    const char* script;
    int status;
    const char* transcript = "";  // expected within standard output
};

class BatchTransferStatus : public BatchTest,
                            public ::testing::WithParamInterface<TransferOutcome> {};

TEST_P(BatchTransferStatus, IsAFailureUnlessEveryFileArrivedWhole) {
    DosMachine dos(GetParam().dosOptions);
    dos.writeFile("DATA.BIN", binaryBytes(9000));
    writeLocal(here.path() / "up/A.TXT", "a\r\n", localTime(2010, 1, 1, 0, 0, 0));
    writeLocal(here.path() / "up/B\\C.TXT", "b\r\n", localTime(2010, 1, 1, 0, 0, 0));
    useMachine(dos);
    const Finished run = runVelmo({"--batch"}, GetParam().script);
    EXPECT_EQ(run.status, GetParam().status) << run.out;
    EXPECT_NE(run.out.find(GetParam().transcript), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, BatchTransferStatus,
    ::testing::Values(TransferOutcome{"WholeFile", {}, "#GET DATA.BIN\n", 0},
                      TransferOutcome{"EndedMidFile", {"--end-after", "1"}, "#GET DATA.BIN\n", 1},
                      TransferOutcome{"NameNotSendable", {}, "#PUT up/*.TXT\n", 1},
                      TransferOutcome{"BlockSkipped",
                                      {"--skip-block", "2"},
                                      "#GET DATA.BIN\n",
                                      1,
                                      "\n*Incomplete: DATA.BIN 4096/9000 bytes\n"}),
    [](const auto& row) { return std::string(row.param.name); });

// The names MS-DOS sends for what was asked are taken; a name refused costs only its file.
struct DosNameRequest {
    const char* name;
    const char* script;
    std::vector<std::string> received;  // in in/, sorted
    int status;
};

class BatchDosNames : public BatchTest, public ::testing::WithParamInterface<DosNameRequest> {};

TEST_P(BatchDosNames, TakeWhatMsDosSends) {
    DosMachine dos;
    fs::create_directory(dos.root() + "/DOC");
    for (const char* name : {"AB.TXT", "AB+CD.TXT", "ABCD.TXT", "LONGFILE.TXT", "DOC/X.TXT"}) {
        dos.writeFile(name, std::string("text of ") + name);
    }
    useMachine(dos);
    fs::create_directory(here.path() / "in");
    const Finished run = runVelmo({"--batch"}, GetParam().script);
    EXPECT_EQ(run.status, GetParam().status) << run.out;
    std::vector<std::string> received;
    for (const auto& entry : fs::directory_iterator(here.path() / "in")) {
        received.push_back(entry.path().filename().string());
    }
    std::sort(received.begin(), received.end());
    EXPECT_EQ(received, GetParam().received) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, BatchDosNames,
    ::testing::Values(
        DosNameRequest{"QuestionMarks", "#GET ???.TXT in/\n", {"AB.TXT"}, 0},
        DosNameRequest{"LongName", "#GET LONGFILENAME.TXT in/\n", {"LONGFILE.TXT"}, 0},
        DosNameRequest{"Directory", "#GET DOC in/\n", {"X.TXT"}, 0},
        DosNameRequest{
            "NoDosNameAmongOthers", "#GET *.TXT in/\n", {"AB.TXT", "ABCD.TXT", "LONGFILE.TXT"}, 1}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
