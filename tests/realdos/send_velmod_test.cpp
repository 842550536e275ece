// VELMOD reaching a DOS machine that has nothing but DOS, on a real MS-DOS 4.00: AUTOEXEC.BAT
// sets COM1 with MODE and takes VELMOD.COM from it with COPY, then starts it; velmo
// --send-velmod delivers the typeable form, and a velmo --batch session then runs against the
// VELMOD.COM that COPY saved. velmo starts either before COPY (it must send nothing until Enter,
// as a byte reaching a COM1 nobody reads overruns its UART and DOS then fails COPY's read) or
// 5 s after it, so that the NULs of COPY's idle line stand in front.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support/file_bytes.h"
#include "support/msdos4_machine.h"
#include "support/temp_working_directory.h"
#include "support/velmo_process.h"

namespace {

namespace fs = std::filesystem;

// From the start of the boot until COPY reads COM1; text sent before that would be lost in the
// UART, as on a real machine.
constexpr int BOOT_TO_COPY_SECONDS = 8;
constexpr int SEND_SECONDS = 180;
constexpr int ANSWER_SECONDS = 90;

struct Start {
    const char* name;
    int velmoAfterCopySeconds;  // negative: velmo starts before COPY, Enter after it
};

class SendVelmodRealDos : public ::testing::TestWithParam<Start> {
  protected:
    void SetUp() override {
        const std::string why = MsDos4Machine::unavailableReason();
        if (!why.empty()) GTEST_SKIP() << why;
    }
    TempWorkingDirectory here;
};

void sleepSeconds(int seconds) {
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
}

TEST_P(SendVelmodRealDos, CopyTakesItAndASessionRunsOnIt) {
    MsDos4Options options;
    options.autoexec = {"MODE COM1:9600,N,8,1", "COPY COM1 VELMOD.COM",
                        "VELMOD /P:1 /B:9600 > A:\\SCREEN.TXT"};
    auto dos = std::make_unique<MsDos4Machine>(options);
    std::ofstream(here.path() / "PRM232C.TXT", std::ios::binary)
        << "COM1=" << dos->linePath() << "\r\nBAUDRATE=9600\r\nTIMEOUT=10\r\n";

    // Held open until VELMOD answers: socat would otherwise drop the connection when velmo
    // closes the line, and with it whatever DOSBox has not taken yet.
    const int held = open(dos->linePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(held, 0);
    const int after = GetParam().velmoAfterCopySeconds;
    if (after >= 0) sleepSeconds(BOOT_TO_COPY_SECONDS + after);
    VelmoProcess send({"--send-velmod"}, TypedInput{});
    sleepSeconds(after >= 0 ? 1 : BOOT_TO_COPY_SECONDS + 3);
    send.type("\n");
    const Finished sent = send.wait(SEND_SECONDS);
    ASSERT_EQ(sent.status, 0) << sent.out << sent.err;
    EXPECT_NE(sent.out.find("VELMOD /P:1 /B:9600"), std::string::npos) << sent.out;
    const bool answered = dos->waitForVelmod(ANSWER_SECONDS);
    close(held);
    EXPECT_TRUE(answered) << "the VELMOD.COM that COPY saved did not answer";
    if (answered) {
        here.writeFile("UP.BIN", patterned(3000));
        fs::create_directory(here.path() / "got");
        const Finished run =
            runVelmo({"--batch"}, "dir\n#GET AUTOEXEC.BAT got/ /V\n#PUT UP.BIN /V\n");
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_NE(run.out.find("VELMOD   COM"), std::string::npos) << run.out;
        EXPECT_NE(fileBytes(here.path() / "got/AUTOEXEC.BAT").find("COPY COM1 VELMOD.COM"),
                  std::string::npos);
    }
    dos->stop();

    // What COPY saved: the NULs of its idle line until Enter, then the text.
    const std::string saved = dos->readFile("A:", "VELMOD.COM");
    const std::string text = fileBytes(VELMOD_TXT);
    ASSERT_GE(saved.size(), text.size());
    EXPECT_TRUE(saved.compare(saved.size() - text.size(), text.size(), text) == 0);
    const std::string front = saved.substr(0, saved.size() - text.size());
    EXPECT_EQ(front.find_first_not_of('\0'), std::string::npos) << "a byte besides NUL";
    if (after > 0) {
        EXPECT_GE(front.size(), 3u) << "no NULs in front";
    }
    std::printf("COPY saved %zu NULs and the %zu bytes of VELMOD.TXT\n", front.size(), text.size());
}

INSTANTIATE_TEST_SUITE_P(Starts, SendVelmodRealDos,
                         ::testing::Values(Start{"VelmoBeforeCopyEnterAfter", -1},
                                           Start{"VelmoFiveSecondsAfterCopy", 5}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
