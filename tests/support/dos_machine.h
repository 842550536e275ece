// velmo-dos as a child process, for end-to-end tests and benchmarks: drive A: is a fresh
// temporary directory, the line a pseudo-terminal linked at a temporary path. The machine is
// stopped and its directory removed on destruction.
#pragma once
#include <sys/types.h>

#include <ctime>
#include <string>
#include <vector>

struct LinkContext;

class DosMachine {
  public:
    // `options` are added to --root and --pty (fault injection, --line-rate, --timeout).
    explicit DosMachine(const std::vector<std::string>& options = {});
    ~DosMachine();
    DosMachine(const DosMachine&) = delete;
    DosMachine& operator=(const DosMachine&) = delete;

    bool running() const { return pid_ > 0; }
    // The host directory of drive A: and the path of the line (COM1=linkPath()).
    const std::string& root() const { return root_; }
    const std::string& linkPath() const { return link_; }

    // Files of drive A:, by a host path relative to root() ("SUB/A.TXT"). `modified`, when
    // not 0, becomes the file's last-write time.
    void writeFile(const std::string& relative, const std::string& bytes,
                   time_t modified = 0) const;
    std::string readFile(const std::string& relative) const;
    void makeDirectory(const std::string& relative) const;

    // Maps COM1 of `ctx` to the machine's line with the given time-out count.
    void connect(LinkContext* ctx, int timeoutSetting = 20) const;
    // Opens the line raw, for a test that plays velmo byte by byte; -1 on failure.
    int openLine() const;

    // Stops the machine (SIGTERM) and waits for it; true when it ended normally within 5 s
    // (after that it is killed).
    bool stop();

  private:
    std::string dir_;
    std::string root_;
    std::string link_;
    pid_t pid_ = -1;
};
