#include "support/msdos4_machine.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/child_process.h"
#include "support/temp_working_directory.h"

namespace fs = std::filesystem;

namespace {

constexpr int STOP_SECONDS = 20;
// DOSBox is stopped by the test; this only bounds a run whose test went astray.
constexpr int LONGEST_RUN_SECONDS = 900;

fs::path msdos4Folder() {
    return fs::path(VELMO_SOURCE_DIR) / ".." / "shared" / "msdos4";
}

bool run(const std::vector<std::string>& args) {
    const pid_t pid = spawn_logged(args, "/dev/null");
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::string run_mtools(const std::vector<std::string>& args) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        // What mtools says of a failure shows in the test's own check of the result.
        if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(126);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        setenv("MTOOLS_SKIP_CHECK", "1", 1);
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string out;
    char chunk[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], chunk, sizeof chunk)) > 0) out.append(chunk, size_t(got));
    close(pipeEnds[0]);
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : std::string();
}

std::string MsDos4Machine::unavailableReason() {
    const fs::path folder = msdos4Folder();
    if (!fs::exists(folder / "dos4.img") || !fs::exists(folder / "boot.sh")) {
        return "no MS-DOS 4.00 floppy at " + folder.lexically_normal().string() +
               " (CI puts shared/msdos4 beside the clone): the real-DOS tests are skipped";
    }
    return {};
}

MsDos4Machine::MsDos4Machine(const MsDos4Options& options) {
    dir_ = make_scratch_directory("velmod-msdos4");
    if (dir_.empty()) return;
    // boot.sh copies the image it is given to the one it boots: the shared floppy stays as it is.
    const std::string base = dir_ + "/base.img";
    floppy_ = dir_ + "/A.IMG";
    fs::copy_file(msdos4Folder() / "dos4.img", base);
    fs::permissions(base, fs::perms::owner_write, fs::perm_options::add);
    for (const auto& [host, name] : options.floppyFiles) {
        EXPECT_TRUE(run({"mcopy", "-o", "-i", base, host, "::" + name})) << host;
    }
    if (options.prepareFloppy) options.prepareFloppy(base);

    std::vector<std::string> boot = {
        "bash", (msdos4Folder() / "boot.sh").string(), "-i", base, "-w", floppy_, "-c", "max",
        "-t",   std::to_string(LONGEST_RUN_SECONDS)};
    if (options.hardDiskCylinders) {
        hardDisk_ = dir_ + "/C.IMG";
        EXPECT_TRUE(run({"python3", (msdos4Folder() / "mkhd.py").string(), hardDisk_,
                         std::to_string(options.hardDiskCylinders)}));
        boot.insert(boot.end(), {"-d", hardDisk_});
    }
    if (options.line) {
        line_ = std::make_unique<TcpLine>(dir_);
        if (!line_->listening()) return;
        boot.insert(boot.end(), {"-p", std::to_string(line_->port())});
    }
    const std::string commands = dir_ + "/commands.txt";
    std::ofstream out(commands, std::ios::binary);
    for (const std::string& line : options.autoexec) out << line << "\n";
    out.close();
    boot.push_back(commands);
    // No window: boot.sh picks SDL's dummy driver when there is no display.
    boot_ = spawn_logged(boot, dir_ + "/boot.log", {"DISPLAY=", "TMPDIR=" + dir_}, true);
}

MsDos4Machine::~MsDos4Machine() {
    stop_child(&boot_, SIGKILL);
    line_.reset();
    if (!dir_.empty()) {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
}

void MsDos4Machine::stop() {
    stop_child(&boot_, SIGTERM, STOP_SECONDS);
}

std::string MsDos4Machine::image(const std::string& drive) const {
    return drive == "C:" ? hardDiskImage() : floppy_;
}

std::string MsDos4Machine::readFile(const std::string& drive, const std::string& path) const {
    return run_mtools({"mtype", "-i", image(drive), "::" + path});
}

std::vector<std::string> MsDos4Machine::namesIn(const std::string& drive,
                                                const std::string& folder) const {
    std::istringstream listing(run_mtools({"mdir", "-b", "-a", "-i", image(drive), "::" + folder}));
    std::vector<std::string> names;
    for (std::string line; std::getline(listing, line);) {
        const size_t slash = line.find_last_of('/');
        names.push_back(slash == std::string::npos ? line : line.substr(slash + 1));
    }
    std::sort(names.begin(), names.end());
    return names;
}
