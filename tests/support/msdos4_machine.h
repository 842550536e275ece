// A real MS-DOS for end-to-end tests: the MS-DOS 4.00 boot floppy that CI puts beside the
// clone (../shared/msdos4), booted in DOSBox by its boot.sh with the AUTOEXEC.BAT lines a test
// gives and its COM1 joined through socat to a pseudo-terminal that velmo opens. Unlike
// DOSBox's own shell, this runs a real kernel and COMMAND.COM: real EXEC, redirection,
// critical errors (INT 24h) and device drivers. What DOS wrote is read back with mtools once
// the machine is stopped.
#pragma once
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/tcp_line.h"

struct MsDos4Options {
    std::vector<std::string> autoexec;  // DOS command lines, run after the boot
    // Host files put on the floppy before the boot: {host path, name on the floppy}.
    std::vector<std::pair<std::string, std::string>> floppyFiles;
    // Anything else done to the floppy image before the boot (mtools on it).
    std::function<void(const std::string& image)> prepareFloppy;
    // Cylinders of an empty FAT16 hard disk C: (0: none); 40 cylinders hold about 20 MB.
    int hardDiskCylinders = 0;
    bool line = true;  // COM1 joined to a pseudo-terminal
};

class MsDos4Machine {
  public:
    // Empty when the floppy and boot.sh are at hand, else why the tests cannot run.
    static std::string unavailableReason();

    explicit MsDos4Machine(const MsDos4Options& options);
    ~MsDos4Machine();
    MsDos4Machine(const MsDos4Machine&) = delete;
    MsDos4Machine& operator=(const MsDos4Machine&) = delete;

    const std::string& linePath() const { return line_->path(); }
    void configureVelmo(const std::string& directory) const { line_->configureVelmo(directory); }
    // Whether VELMOD answers a command within `seconds` of now.
    bool waitForVelmod(int seconds) const { return line_->waitForVelmod(seconds); }

    // Ends DOSBox, which writes the disks out; the images stay until destruction.
    void stop();
    const std::string& floppyImage() const { return floppy_; }
    // The mtools image argument of C: (its partition starts one track in).
    std::string hardDiskImage() const { return hardDisk_ + "@@32256"; }
    // A file of a stopped machine ("::DIR/FILE.TXT" on the floppy, with image "A:" or "C:"),
    // empty when there is none.
    std::string readFile(const std::string& drive, const std::string& path) const;
    // The names in a folder of a stopped machine, in upper case as DOS keeps them.
    std::vector<std::string> namesIn(const std::string& drive, const std::string& folder) const;

  private:
    std::string image(const std::string& drive) const;

    std::string dir_;
    std::string floppy_;
    std::string hardDisk_;
    std::unique_ptr<TcpLine> line_;
    pid_t boot_ = -1;
};

// Runs an mtools command (`mcopy`, `mtype` ...); its standard output, empty on failure.
std::string run_mtools(const std::vector<std::string>& args);
