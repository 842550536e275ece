// VELMOD.COM on an emulated PC/AT: DOSBox runs it, velmo --batch talks to it over a line that
// DOSBox paces at 115200 bit/s (about 11 500 bytes/s), so the files here are kept small.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/dosbox_machine.h"
#include "support/file_bytes.h"
#include "support/temp_working_directory.h"
#include "support/velmo_process.h"

namespace {

namespace fs = std::filesystem;

// "日本語の表" in Shift-JIS: 表 (95 5C) has a backslash as its second byte.
const std::string SHIFT_JIS_TEXT = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\x5c\r\n";
const std::string SHIFT_JIS_AS_UTF8 = "日本語の表";

void writeDosFile(const std::string& path, const std::string& bytes, time_t when) {
    std::ofstream(path, std::ios::binary) << bytes;
    const timespec times[2] = {{when, 0}, {when, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

time_t modified(const fs::path& path) {
    struct stat info = {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mtime;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Names in a host folder, to show that nothing was left behind.
std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class VelmodTest : public ::testing::Test {
  protected:
    void connect(const DosboxMachine& dos) const { dos.configureVelmo(here.path()); }

    TempWorkingDirectory here;
};

// What stands as C:\VELMOD.COM: the program, or its typeable form after what COPY from the
// cable may have put in front of it, NULs and then a lead-in of '@'.
struct ProgramForm {
    const char* name;
    bool typeable;
    size_t nuls;
    size_t leadIn;
};

std::string programBytes(const ProgramForm& form) {
    if (!form.typeable) return {};
    return std::string(form.nuls, '\0') + std::string(form.leadIn, '@') + fileBytes(VELMOD_TXT);
}

void writeSessionFiles(const std::string& driveC) {
    const time_t stamp = localTime(2001, 2, 3, 4, 5, 6);
    writeDosFile(driveC + "/SJIS.TXT", SHIFT_JIS_TEXT, stamp);
    writeDosFile(driveC + "/ONE.TXT", "one\r\n", stamp);
    writeDosFile(driveC + "/TWO.TXT", patterned(5000), localTime(2002, 3, 4, 5, 6, 8));
}

class VelmodSessionTest : public VelmodTest, public ::testing::WithParamInterface<ProgramForm> {};

TEST_P(VelmodSessionTest, CommandsAndTransfersOfASession) {
    DosboxMachine dos({.program = programBytes(GetParam()), .prepare = writeSessionFiles});
    connect(dos);
    fs::create_directory(here.path() / "up");
    here.writeFile("up/A.TXT", "a\r\n");
    here.writeFile("up/B.BIN", patterned(9000));
    fs::create_directory(here.path() / "got");

    const Finished run = runVelmo({"--batch"},
                                  "dir\ntype SJIS.TXT\nmd NEW\ncd NEW\ncd ..\n"
                                  "#GET *.TXT got/\n#GET TWO.TXT got/TWO-V.TXT /V\n"
                                  "md NEWV\n#PUT up/*.* NEW\\\n#PUT up/*.* NEWV\\ /V\ncls\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(contains(run.out, "SJIS     TXT")) << run.out;
    EXPECT_TRUE(contains(run.out, SHIFT_JIS_AS_UTF8)) << run.out;
    EXPECT_TRUE(contains(run.out, "C:\\NEW>cd ..")) << "the prompt follows CD:\n" << run.out;

    EXPECT_EQ(fileBytes(here.path() / "got/SJIS.TXT"), SHIFT_JIS_TEXT);
    EXPECT_TRUE(fileBytes(here.path() / "got/TWO.TXT") == patterned(5000));
    EXPECT_TRUE(fileBytes(here.path() / "got/TWO-V.TXT") == patterned(5000));
    EXPECT_EQ(modified(here.path() / "got/ONE.TXT"), localTime(2001, 2, 3, 4, 5, 6));
    EXPECT_EQ(modified(here.path() / "got/TWO.TXT"), localTime(2002, 3, 4, 5, 6, 8));
    for (const char* folder : {"/NEW/", "/NEWV/"}) {
        EXPECT_EQ(fileBytes(dos.driveC() + folder + "A.TXT"), "a\r\n") << folder;
        EXPECT_TRUE(fileBytes(dos.driveC() + folder + "B.BIN") == patterned(9000)) << folder;
    }
    const std::string screen = dos.stopAndReadScreen();
    EXPECT_TRUE(contains(screen, "GET *.TXT  3 files, 5017 bytes")) << screen;
    EXPECT_TRUE(contains(screen, "PUT NEWV\\  2 files, 9003 bytes")) << screen;
    EXPECT_TRUE(contains(screen, "> !cls")) << screen;
}

// An odd number of NULs takes two bytes after it into one instruction.
INSTANTIATE_TEST_SUITE_P(Forms, VelmodSessionTest,
                         ::testing::Values(ProgramForm{"Com", false, 0, 0},
                                           ProgramForm{"TypedAfterLeadIn", true, 0, 300},
                                           ProgramForm{"TypedAfterNulsAndLeadIn", true, 59, 3}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(VelmodTest, QuarterMebibyteBothWays) {
    DosboxMachine dos;
    connect(dos);
    here.writeFile("UP.BIN", patterned(256 * 1024));
    fs::create_directory(here.path() / "got");

    const Finished run = runVelmo({"--batch"}, "#PUT UP.BIN BACK.BIN\n#GET BACK.BIN got/\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(fileBytes(dos.driveC() + "/BACK.BIN") == patterned(256 * 1024));
    EXPECT_TRUE(fileBytes(here.path() / "got/BACK.BIN") == patterned(256 * 1024));
}

// Waits until a transfer has moved `bytes`, as seen in a new file of `folder` growing.
void waitForGrowingFile(const fs::path& folder, size_t bytes) {
    const std::vector<std::string> before = namesIn(folder);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            const bool isNew =
                std::find(before.begin(), before.end(), entry.path().filename()) == before.end();
            if (isNew && entry.is_regular_file() && entry.file_size() >= bytes) return;
        }
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no transfer under way";
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

TEST_F(VelmodTest, CancelledGetAndPutLeaveNoHalfFileAndTheNextCommandRuns) {
    DosboxMachine dos({.prepare = [](const std::string& c) {
        writeDosFile(c + "/SRC.BIN", patterned(128 * 1024), localTime(2003, 1, 1, 0, 0, 0));
    }});
    connect(dos);
    here.writeFile("UP.BIN", patterned(128 * 1024));
    fs::create_directory(here.path() / "got");

    // One cancel per run of velmo (a second Ctrl+C would end velmo itself); the script's next
    // line runs straight after it.
    for (const auto& [command, watched] :
         {std::pair{"#GET SRC.BIN got/\nver\n", here.path() / "got"},
          std::pair{"#PUT UP.BIN\nver\n", fs::path(dos.driveC())}}) {
        VelmoProcess velmo({"--batch"}, command);
        waitForGrowingFile(watched, 16 * 1024);
        velmo.interrupt();
        const Finished run = velmo.wait();
        const std::vector<std::string> lines = linesOf(run.out);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "*処理を中断しました。"), 1) << run.out;
        EXPECT_TRUE(contains(run.out, "DOS version")) << "the command after the cancel\n"
                                                      << run.out;
    }
    const Finished next = runVelmo({"--batch"}, "dir\n");
    EXPECT_EQ(next.status, 0) << next.out << next.err;
    EXPECT_TRUE(contains(next.out, "SRC      BIN")) << next.out;
    EXPECT_EQ(namesIn(dos.driveC()), (std::vector<std::string>{"SRC.BIN", "VELMOD.COM"}))
        << "the cancelled PUT left nothing on C:";
    const std::string screen = dos.stopAndReadScreen();
    EXPECT_TRUE(contains(screen, "> dir  8 lines")) << screen;
}

TEST_F(VelmodTest, AVanishedVelmoIsWaitedOutAndItsPutLeavesNoFile) {
    DosboxMachine dos;
    connect(dos);
    here.writeFile("UP.BIN", patterned(128 * 1024));
    {
        VelmoProcess velmo({"--batch"}, "#PUT UP.BIN\n");
        waitForGrowingFile(dos.driveC(), 16 * 1024);
    }  // killed in the middle of the PUT
    // socat holds the pseudo-terminal open, so the killed velmo's exclusive mark outlives it
    // (a serial device loses it with its last close): take it off as a user would have to.
    const int line = open(dos.linePath().c_str(), O_RDWR | O_NOCTTY);
    ioctl(line, TIOCNXCL);
    close(line);

    // VELMOD gives the exchange up after 30 s of silence and removes the unfinished file.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (namesIn(dos.driveC()) != std::vector<std::string>{"VELMOD.COM"}) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the unfinished file stays";
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    const Finished run = runVelmo({"--batch"}, "dir\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(contains(run.out, "VELMOD   COM")) << run.out;
}

TEST_F(VelmodTest, BadRequestsAreReportedOnBothSidesAndLeaveNoFile) {
    // The commands' output goes to the small floppy, to fill it.
    DosboxMachine dos({.floppyFreeBytes = 8 * 1024,
                       .readOnlyE = true,
                       .temp = "A:\\",
                       .prepare = [](const std::string& c) {
                           std::string text;
                           while (text.size() < 20000) text += "a line of text to fill a disk\r\n";
                           writeDosFile(c + "/T.TXT", text, localTime(2004, 1, 1, 0, 0, 0));
                       }});
    connect(dos);
    here.writeFile("BIG.BIN", patterned(20 * 1024));
    here.writeFile("SMALL.TXT", "small\r\n");

    const Finished run = runVelmo({"--batch"},
                                  "#PUT BIG.BIN A:\\\ndir A:\\\n#PUT SMALL.TXT E:\\\n"
                                  "dir E:\\\nE:\ndir\nA:\ntype C:\\T.TXT\nC:\n"
                                  "#GET NOSUCH.* .\n");
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(contains(run.out, "FILL     BIN")) << run.out;
    EXPECT_FALSE(contains(run.out, "BIG      BIN")) << "no half file:\n" << run.out;
    EXPECT_FALSE(contains(run.out, "SMALL    TXT")) << run.out;
    EXPECT_TRUE(contains(run.out, "VELMOD: drive A: is full; the output above is cut short."))
        << run.out;
    EXPECT_TRUE(contains(run.out, "E:\\>dir\nDirectory of E:\\.")) << "a read-only drive:\n"
                                                                   << run.out;

    const std::string screen = dos.stopAndReadScreen();
    EXPECT_TRUE(contains(screen, "FAILED: Cannot write A:\\BIG.BIN: the disk is full")) << screen;
    EXPECT_TRUE(contains(screen, "FAILED: Cannot create a file for E:\\SMALL.TXT")) << screen;
    EXPECT_TRUE(contains(screen, "GET NOSUCH.*  refused: no such file")) << screen;
}

struct BadStart {
    const char* name;
    const char* switches;
    int exitCode;
    const char* screen;  // expected within VELMOD's screen
};

class VelmodStartTest : public ::testing::TestWithParam<BadStart> {};

TEST_P(VelmodStartTest, ExitCodeAndMessage) {
    DosboxMachine dos({.switches = GetParam().switches, .lineless = true});
    EXPECT_EQ(dos.exitCode(), GetParam().exitCode);
    const std::string screen = dos.stopAndReadScreen();
    EXPECT_TRUE(contains(screen, GetParam().screen)) << screen;
}

INSTANTIATE_TEST_SUITE_P(
    Switches, VelmodStartTest,
    ::testing::Values(BadStart{"Usage", "/?", 0, "Usage: VELMOD [/P:n] [/B:rate] [/AT|/98]"},
                      BadStart{"BadSwitch", "/X", 1, "Unknown switch. (/X)\r\nUsage: VELMOD"},
                      BadStart{"PortWithoutUart", "/P:3", 1, "COM3 has no serial port"},
                      BadStart{"RateNotADivisor", "/B:10000", 1, "the rate must divide 115200"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
