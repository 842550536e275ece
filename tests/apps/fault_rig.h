// The fault-injection rig: the real velmo --batch and velmo-dos as child processes, and a relay
// between them that damages the line. Each test names the fault it causes and checks the sound
// outcome from what a user sees: the transcript, the files, the exit status.
#pragma once
#include <gtest/gtest.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/pty_pair.h"

namespace fault {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path);
void writeFile(const fs::path& path, const std::string& bytes);
// Equal bytes, or where the two first differ (without printing files of random bytes).
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected);
// Reproducible bytes of every value.
std::string randomBytes(uint32_t seed, size_t count);
// PRM232C.TXT in `dir`: COM1 on `device`, the given time-out in seconds.
void writeSettings(const fs::path& dir, const std::string& device, int timeoutSeconds);
// Lines of the transcript that contain `text`.
int countLines(const std::string& transcript, const std::string& text);

struct ChildLimits {
    off_t fileSizeLimit = 0;  // RLIMIT_FSIZE in bytes (SIGXFSZ ignored), 0 for none
    bool asNobody = false;    // run as the unprivileged user "nobody"
};

// velmo --batch in `dir`, fed line by line through a pipe; standard output and error go to
// files beside the rig so that they can be read at any time.
class BatchVelmo {
  public:
    explicit BatchVelmo(const fs::path& dir, ChildLimits limits = {});
    ~BatchVelmo();
    BatchVelmo(const BatchVelmo&) = delete;
    BatchVelmo& operator=(const BatchVelmo&) = delete;

    void type(const std::string& line);
    void endInput();
    std::string output() const;
    std::string errors() const;
    // Waits until standard output holds `text` `times` times; false after `seconds`.
    bool waitForOutput(const std::string& text, double seconds, int times = 1) const;
    // Ends the input and waits for the exit status (killing velmo after `seconds`).
    int finish(double seconds = 60);
    pid_t pid() const { return pid_; }
    // User and system CPU time used so far, in clock ticks.
    long cpuTicks() const;
    // The open descriptors of velmo that lead to `device` (after following links).
    int descriptorsOn(const std::string& device) const;

  private:
    fs::path out_;
    fs::path err_;
    int input_ = -1;
    pid_t pid_ = -1;
};

// velmo-dos serving `root` on a pseudo-terminal linked at `link`; it can be stopped abruptly
// and started again on the same link.
class DosProcess {
  public:
    DosProcess(const fs::path& root, const fs::path& link, std::vector<std::string> options = {});
    ~DosProcess();
    DosProcess(const DosProcess&) = delete;
    DosProcess& operator=(const DosProcess&) = delete;

    void start();
    void kill();  // SIGKILL: the far end is gone at once
    // Stops the machine and starts it again on the same link with other options.
    void restart(std::vector<std::string> options);
    const fs::path& link() const { return link_; }

  private:
    void stop();

    fs::path root_;
    fs::path link_;
    std::vector<std::string> options_;
    pid_t pid_ = -1;
};

// How the relay damages what passes through it.
struct LineDamage {
    uint32_t seed = 1;
    // A fault every meanGap bytes on average (both directions together), never two within
    // minGap bytes, so that one block is hit once at most; 0 for a clean line.
    uint64_t meanGap = 0;
    uint64_t minGap = 0;
    bool drops = true;  // faults are bit flips, and with this also dropped bytes
    // Bytes velmo sends, and bytes velmo-dos sends, by their index from 0 in that direction,
    // that arrive with their lowest bit flipped.
    std::vector<uint64_t> flipsFromVelmo;
    std::vector<uint64_t> flipsFromDos;
};

// A line between velmo (which opens velmoDevice()) and velmo-dos's link, forwarding both ways
// and damaging bytes as told; it can also pour noise toward velmo.
class CorruptingRelay {
  public:
    CorruptingRelay(const fs::path& dosLink, LineDamage damage);
    ~CorruptingRelay();
    CorruptingRelay(const CorruptingRelay&) = delete;
    CorruptingRelay& operator=(const CorruptingRelay&) = delete;

    const std::string& velmoDevice() const { return velmoSide_.slavePath(); }
    // `noise` goes toward velmo once `afterBytes` genuine bytes have (now, for 0). What velmo
    // does not take within 200 ms is lost, as on an overrun line.
    void injectTowardVelmo(std::string noise, uint64_t afterBytes = 0);
    bool injectionDone() const { return injectionDone_; }
    uint64_t noiseDelivered() const { return noiseDelivered_; }
    int faults() const { return faults_; }
    // Everything velmo sent, as the relay received it (before any damage).
    std::vector<uint8_t> fromVelmo() const;

  private:
    void run();
    void forward(int from, std::vector<uint8_t>* pending, bool towardVelmo);
    void damage(std::vector<uint8_t>* bytes, size_t start);
    void pourNoise();

    PtyPair velmoSide_;
    int dosFd_ = -1;
    int wake_[2] = {-1, -1};
    LineDamage line_;
    uint64_t seen_ = 0;       // genuine bytes in both directions
    uint64_t nextFault_ = 0;  // the byte count at which the next fault falls
    uint32_t random_;
    std::vector<uint8_t> toVelmo_;
    std::vector<uint8_t> toDos_;
    uint64_t towardVelmoCount_ = 0;
    uint64_t fromVelmoCount_ = 0;
    uint64_t fromDosCount_ = 0;
    mutable std::mutex mutex_;  // guards the injection and fromVelmo_
    std::string noise_;
    uint64_t noiseAfter_ = 0;
    bool noisePending_ = false;
    std::atomic<bool> injectionDone_{false};
    std::atomic<uint64_t> noiseDelivered_{0};
    std::atomic<int> faults_{0};
    std::vector<uint8_t> fromVelmo_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace fault
