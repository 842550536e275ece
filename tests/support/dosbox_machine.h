// A real MS-DOS machine for end-to-end tests: DOSBox, headless, running VELMOD.COM on a
// temporary folder mounted as C:, its COM1 a TCP client of socat, which joins that port to a
// pseudo-terminal that velmo opens as COM1. VELMOD's screen goes to D:\SCREEN.TXT, a second
// temporary folder. Both programs are stopped and the folders removed on destruction.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

#include "support/tcp_line.h"

// Mounts C:, lets `prepare` fill it, and runs VELMOD with `switches` on a line to velmo. When
// `lineless`, there is no line: DOSBox runs VELMOD once and ends, leaving its exit code in
// exitCode(). `floppyFreeBytes` adds a 160 KiB floppy as A: with that much room left;
// `readOnlyE` adds an empty drive E: that refuses writes (a CD-ROM); `temp`, when set, is
// VELMOD's TEMP. `program` is saved as C:\VELMOD.COM; when empty, the build's VELMOD.COM is.
struct DosboxOptions {
    std::string switches = "/B:115200";
    std::string program;
    bool lineless = false;
    size_t floppyFreeBytes = 0;
    bool readOnlyE = false;
    const char* temp = nullptr;
    void (*prepare)(const std::string& driveC) = nullptr;
};

class DosboxMachine {
  public:
    explicit DosboxMachine(const DosboxOptions& options = {});
    ~DosboxMachine();
    DosboxMachine(const DosboxMachine&) = delete;
    DosboxMachine& operator=(const DosboxMachine&) = delete;

    // The host folder of C: and the line velmo opens (COM1=linePath()).
    const std::string& driveC() const { return driveC_; }
    const std::string& linePath() const { return line_->path(); }
    // Writes PRM232C.TXT for velmo into `directory`: COM1 on the line, 115200 bit/s.
    void configureVelmo(const std::string& directory) const { line_->configureVelmo(directory); }

    // Ends DOSBox (which writes out the files it holds open) and returns what VELMOD wrote to
    // its screen.
    std::string stopAndReadScreen();
    // Lineless: waits for DOSBox to end; VELMOD's exit code (0 or 1), -1 when it did not end.
    int exitCode();

  private:
    void startDosbox(const DosboxOptions& options, int port);

    std::string dir_;
    std::string driveC_;
    std::string driveD_;
    std::unique_ptr<TcpLine> line_;
    pid_t dosbox_ = -1;
};
