// VELMOD.COM on a real MS-DOS 4.00 kernel and COMMAND.COM, through velmo --batch: what DOSBox's
// own shell hides (critical errors, redirection, the disks of a real floppy machine).
#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/file_bytes.h"
#include "support/msdos4_machine.h"
#include "support/raw_line.h"
#include "support/temp_working_directory.h"
#include "support/velmo_process.h"
#include "wire/wire_format.h"

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

    // Boots with VELMOD.COM in the floppy's root, run by the last AUTOEXEC line (`velmod`),
    // and velmo set up for the line.
    std::unique_ptr<MsDos4Machine> bootVelmod(
        MsDos4Options options, const std::string& velmod = "VELMOD /B:115200 > A:\\SCREEN.TXT") {
        options.floppyFiles.emplace_back(VELMOD_COM, "VELMOD.COM");
        options.autoexec.push_back(velmod);
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

// Each line that would have stopped VELMOD for good (a question at the DOS keyboard, or no
// answer at all), followed by a command that must be answered at once.
TEST_F(RealDosTest, NoCriticalErrorDiskSwapOrDeviceStopsTheLink) {
    const auto dos = bootVelmod({});
    fs::create_directory(here.path() / "got");
    const Finished run = runVelmo({"--batch"},
                                  "copy AUTOEXEC.BAT PRN\nver\ndir b:\nver\nB:\nver\nQ:\nver\n"
                                  "#GET CON got/\nver\n#GET NUL got/\nver\n");
    EXPECT_TRUE(contains(run.out, "VELMOD: Not ready error writing device PRN (answered Fail)."))
        << run.out;
    EXPECT_TRUE(contains(run.out, "A:\\>dir b:\nVELMOD: B: is the same floppy drive as A: here"))
        << run.out;
    EXPECT_TRUE(contains(run.out, "A:\\>B:\nVELMOD: B: is the same floppy drive as A: here"))
        << run.out;
    EXPECT_TRUE(contains(run.out, "VELMOD: drive Q: does not exist.")) << run.out;
    size_t answered = 0;
    for (size_t at = 0; (at = run.out.find("MS-DOS Version 4.00", at)) != std::string::npos; ++at) {
        ++answered;
    }
    EXPECT_EQ(answered, 6u) << "every ver after a trap is answered\n" << run.out;
    EXPECT_TRUE(fs::is_empty(here.path() / "got")) << "no device is taken for a file";
    // A host that sends names DOS would take for a wildcard, or does not allow.
    RawLine host(open(dos->linePath().c_str(), O_RDWR | O_NOCTTY));
    for (const std::string name : {"*.*", "A?.TXT", "A|B.TXT"}) {
        ASSERT_EQ(host.frame(COMMAND_PUT, ""), Bytes{ACK}) << name;
        EXPECT_EQ(host.putBlock(headerBlock(name, 2)), (Bytes{ESC, 'E'})) << name;
    }
    dos->stop();
    for (const std::string& name : dos->namesIn("A:", "")) {
        EXPECT_EQ(name.find_first_of("*?|"), std::string::npos) << name;
    }
}

// The root of a floppy holds 224 entries. With it full, a PUT to the current directory (named
// "" or "A:") still works, and the commands' output goes to VELMOD's start directory.
TEST_F(RealDosTest, PutIntoTheCurrentDirectoryWhenTheRootIsFull) {
    MsDos4Options options;
    options.prepareFloppy = [this](const std::string& image) {
        run_mtools({"mmd", "-i", image, "::SUB"});
        const fs::path fill = here.path() / "fill";
        fs::create_directory(fill);
        std::vector<std::string> copy = {"mcopy", "-i", image};
        for (int i = 0; i < 230; ++i) {
            const std::string name = (fill / ("F" + std::to_string(i) + ".TXT")).string();
            std::ofstream(name) << i;
            copy.push_back(name);
        }
        copy.push_back("::");
        run_mtools(copy);  // fails once the root is full, as meant
        fs::remove_all(fill);
    };
    options.autoexec = {"CD SUB"};
    const auto dos = bootVelmod(options, "..\\VELMOD /B:115200 > A:\\SUB\\SCREEN.TXT");
    here.writeFile("ONE.TXT", "one\r\n");
    here.writeFile("TWO.TXT", "two\r\n");

    const Finished run = runVelmo({"--batch"}, "#PUT ONE.TXT\n#PUT TWO.TXT A:\nver\n");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(contains(run.out, "MS-DOS Version 4.00")) << run.out;
    dos->stop();
    EXPECT_EQ(dos->readFile("A:", "SUB/ONE.TXT"), "one\r\n");
    EXPECT_EQ(dos->readFile("A:", "SUB/TWO.TXT"), "two\r\n");
    EXPECT_EQ(dos->namesIn("A:", "SUB"),
              (std::vector<std::string>{"ONE.TXT", "SCREEN.TXT", "TWO.TXT"}));
}

}  // namespace
