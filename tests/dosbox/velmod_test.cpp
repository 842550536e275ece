// VELMOD.COM on an emulated PC/AT: DOSBox runs it, velmo --batch talks to it over a line that
// DOSBox paces at 115200 bit/s (about 11 500 bytes/s), so the files here are kept small.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/dosbox_machine.h"
#include "support/file_bytes.h"
#include "support/temp_working_directory.h"
#include "support/velmo_process.h"
#include "support/velmod_session.h"

namespace {

namespace fs = std::filesystem;

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

// The names MS-DOS's own search sends for a request are the ones velmo takes.
TEST_F(VelmodTest, AGetTakesTheNamesMsDosSends) {
    DosboxMachine dos({.prepare = [](const std::string& c) {
        const time_t stamp = localTime(2001, 2, 3, 4, 5, 6);
        for (const char* name : {"AB.TXT", "ABCD.TXT", "LONGFILE.TXT"})
            write_dos_file(c + "/" + name, name, stamp);
        fs::create_directory(c + "/DOC");
        write_dos_file(c + "/DOC/X.TXT", "x", stamp);
    }});
    connect(dos);
    for (const char* folder : {"q", "l", "d"}) fs::create_directory(here.path() / folder);

    const Finished run =
        runVelmo({"--batch"}, "#GET ???.TXT q/\n#GET LONGFILENAME.TXT l/\n#GET DOC d/\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(namesIn(here.path() / "q"), std::vector<std::string>{"AB.TXT"});
    EXPECT_EQ(namesIn(here.path() / "l"), std::vector<std::string>{"LONGFILE.TXT"});
    EXPECT_EQ(namesIn(here.path() / "d"), std::vector<std::string>{"X.TXT"});
}

class VelmodSessionTest : public VelmodTest, public ::testing::WithParamInterface<ProgramForm> {};

TEST_P(VelmodSessionTest, CommandsAndTransfersOfASession) {
    DosboxMachine dos({.program = programBytes(GetParam()), .prepare = prepare_session_files});
    check_session(dos, here.path());
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
        write_dos_file(c + "/SRC.BIN", patterned(128 * 1024), localTime(2003, 1, 1, 0, 0, 0));
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
                           write_dos_file(c + "/T.TXT", text, localTime(2004, 1, 1, 0, 0, 0));
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
    EXPECT_TRUE(contains(run.out, "its disk may be full")) << run.out;
    EXPECT_TRUE(contains(run.out, "no such file or directory")) << run.out;
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
