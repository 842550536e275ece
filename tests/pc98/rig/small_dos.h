// A small MS-DOS for the PC-98 rig, written from the DOS technical documentation: the INT 21h
// functions VELMOD calls, over a host folder that stands for drive C:, and an EXEC that answers
// dir, type, ver, md, cd and rd itself, writing to the child's standard output as COMMAND.COM
// would. The console's output is kept as the screen; the clock is the emulated time.
#pragma once
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "emulated_cpu.h"

class SmallDos {
  public:
    // `now` gives the emulated time in seconds since the rig started.
    SmallDos(EmulatedCpu& cpu, std::filesystem::path driveC, std::function<double()> now);
    ~SmallDos();

    // Loads `program` as DOS loads a .COM: a PSP with `tail` and an environment with COMSPEC,
    // and the image at PSP:0100.
    void load(const std::vector<uint8_t>& program, const std::string& tail);
    void interrupt21();

    std::string screen() const;
    std::optional<int> exitCode() const;

  private:
    // An open file, shared by the handles duplicated from it as DOS shares one; the console
    // has no descriptor. A time set through 5701h is applied when the last handle closes.
    struct HostFile {
        ~HostFile();
        int fd = -1;
        std::filesystem::path path;
        std::optional<time_t> stamp;
    };
    using Handle = std::shared_ptr<HostFile>;

    uint16_t reg(int id) const { return cpu_.reg(id); }
    std::string pathAt(int segmentReg, int offsetReg) const;
    std::optional<std::filesystem::path> hostPath(const std::string& dosPath) const;
    void succeed(std::optional<uint16_t> ax = std::nullopt);
    void fail(uint16_t error);

    void console(const std::string& text);
    void write(uint16_t handle, const std::string& bytes);
    uint16_t newHandle(Handle file);
    Handle* handle(uint16_t number);

    void open(bool create);
    void openHandle(const std::filesystem::path& path, int flags);
    void createUnique();
    void readOrWrite(bool reading);
    void seek();
    void duplicate(bool toGiven);
    void fileTime();
    void attributes();
    void remove();
    void rename();
    uint16_t directoryCall(uint8_t function, const std::string& dosPath);
    void findFirst();
    void findNext();
    void exec();
    void runBuiltIn(const std::string& line);
    void listDirectory(const std::string& spec);
    void typeFile(const std::string& name);

    std::vector<std::filesystem::path> matches(const std::string& spec, uint8_t attributes) const;
    bool hidden(const std::filesystem::path& path) const;

    EmulatedCpu& cpu_;
    std::filesystem::path driveC_;
    std::function<double()> now_;
    time_t startedAt_;
    std::string currentDirectory_;  // as 47h gives it: no drive, no leading backslash
    std::vector<Handle> handles_;
    std::map<std::filesystem::path, uint8_t> attributes_;  // what the host cannot keep
    std::map<uint16_t, std::vector<std::filesystem::path>> searches_;
    uint16_t nextSearch_ = 1;
    uint32_t uniqueNames_ = 0;
    uint16_t transferArea_[2] = {0, 0x80};  // segment, offset
    uint16_t lastError_ = 0;
    mutable std::mutex mutex_;
    std::string screen_;
    std::optional<int> exitCode_;
};
