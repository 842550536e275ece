// VELMOD.COM on a real MS-DOS 4.00 kernel and COMMAND.COM, through velmo --batch: what DOSBox's
// own shell hides (critical errors, redirection, the disks of a real floppy machine).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/file_bytes.h"
#include "support/msdos4_machine.h"
#include "support/temp_working_directory.h"
#include "support/velmo_process.h"

namespace {

namespace fs = std::filesystem;

constexpr int START_SECONDS = 30;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class RealDosTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string why = MsDos4Machine::unavailableReason();
        if (!why.empty()) GTEST_SKIP() << why;
    }

    // Boots with VELMOD.COM on the floppy, run by the last AUTOEXEC line with its screen in
    // A:\SCREEN.TXT, and velmo set up for the line.
    std::unique_ptr<MsDos4Machine> bootVelmod(MsDos4Options options) {
        options.floppyFiles.emplace_back(VELMOD_COM, "VELMOD.COM");
        options.autoexec.push_back("VELMOD /B:115200 > A:\\SCREEN.TXT");
        auto dos = std::make_unique<MsDos4Machine>(options);
        EXPECT_TRUE(dos->waitForVelmod(START_SECONDS)) << "VELMOD did not come up";
        dos->configureVelmo(here.path());
        return dos;
    }

    TempWorkingDirectory here;
};

TEST_F(RealDosTest, CommandsAndTransfersOfASession) {
    const auto dos = bootVelmod({});
    here.writeFile("UP.BIN", patterned(9000));
    fs::create_directory(here.path() / "got");

    const Finished run = runVelmo({"--batch"},
                                  "md NEW\ncd NEW\n#PUT UP.BIN /V\ncd ..\ndir NEW\n"
                                  "#GET NEW\\UP.BIN got/ /V\ntype AUTOEXEC.BAT\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(contains(run.out, "A:\\NEW>cd ..")) << "the prompt follows CD:\n" << run.out;
    EXPECT_TRUE(contains(run.out, "UP       BIN      9000")) << run.out;
    EXPECT_TRUE(contains(run.out, "VELMOD /B:115200")) << run.out;
    EXPECT_TRUE(fileBytes(here.path() / "got/UP.BIN") == patterned(9000));
    dos->stop();
    EXPECT_TRUE(dos->readFile("A:", "NEW/UP.BIN") == patterned(9000));
}

}  // namespace
