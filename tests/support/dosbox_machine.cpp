#include "support/dosbox_machine.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/child_process.h"
#include "support/file_bytes.h"
#include "support/floppy_image.h"
#include "support/temp_working_directory.h"

namespace fs = std::filesystem;

namespace {

constexpr int START_SECONDS = 20;

}  // namespace

DosboxMachine::DosboxMachine(const DosboxOptions& options) {
    dir_ = make_scratch_directory("velmod-dosbox");
    if (dir_.empty()) return;
    driveC_ = dir_ + "/C";
    driveD_ = dir_ + "/D";
    fs::create_directory(driveC_);
    fs::create_directory(driveD_);
    if (options.program.empty()) {
        fs::copy_file(VELMOD_COM, driveC_ + "/VELMOD.COM");
    } else {
        std::ofstream(driveC_ + "/VELMOD.COM", std::ios::binary) << options.program;
    }
    if (options.prepare) options.prepare(driveC_);

    if (options.lineless) {
        startDosbox(options, 0);
        return;
    }
    line_ = std::make_unique<TcpLine>(dir_);
    if (!line_->listening()) return;
    startDosbox(options, line_->port());
    if (!line_->waitForVelmod(START_SECONDS)) {
        ADD_FAILURE() << "VELMOD did not come up; its screen: " << stopAndReadScreen();
    }
}

void DosboxMachine::startDosbox(const DosboxOptions& options, int port) {
    const std::string conf = dir_ + "/dosbox.conf";
    std::ofstream out(conf);
    out << "[sdl]\noutput=surface\n"
        << "[cpu]\ncore=normal\ncycles=max\n"
        << "[mixer]\nnosound=true\n"
        << "[speaker]\npcspeaker=false\n"
        << "[serial]\nserial1="
        << (options.lineless
                ? std::string("disabled")
                : "nullmodem server:127.0.0.1 port:" + std::to_string(port) + " transparent:1")
        << "\nserial2=disabled\nserial3=disabled\nserial4=disabled\n"
        << "[autoexec]\n"
        << "mount c " << driveC_ << "\n"
        << "mount d " << driveD_ << "\n";
    if (options.floppyFreeBytes) {
        const std::string image = dir_ + "/A.IMG";
        EXPECT_TRUE(write_floppy_image(image, FLOPPY_FREE_BYTES - options.floppyFreeBytes));
        out << "imgmount a " << image << " -t floppy\n";
    }
    if (options.readOnlyE) {
        fs::create_directory(dir_ + "/E");
        out << "mount e " << dir_ << "/E -t cdrom\n";
    }
    if (options.temp) out << "set TEMP=" << options.temp << "\n";
    out << "c:\n"
        << "VELMOD.COM " << options.switches << " > D:\\SCREEN.TXT\n";
    if (options.lineless) {
        out << "IF ERRORLEVEL 1 GOTO failed\necho 0 > D:\\EXIT.TXT\nexit\n"
            << ":failed\necho 1 > D:\\EXIT.TXT\nexit\n";
    }
    out.close();
    dosbox_ = spawn_logged({"dosbox", "-conf", conf, "-noconsole"}, dir_ + "/dosbox.log",
                           {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"});
}

DosboxMachine::~DosboxMachine() {
    stop_child(&dosbox_, SIGKILL);
    line_.reset();
    if (!dir_.empty()) {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
}

std::string DosboxMachine::stopAndReadScreen() {
    stop_child(&dosbox_, SIGTERM, START_SECONDS);
    return fileBytes(driveD_ + "/SCREEN.TXT");
}

int DosboxMachine::exitCode() {
    if (!wait_child(&dosbox_, START_SECONDS)) return -1;
    const std::string code = fileBytes(driveD_ + "/EXIT.TXT");
    return code.empty() ? -1 : code[0] - '0';
}
