// A PC-98 for end-to-end tests: the real VELMOD.COM on the emulated CPU, over the small DOS
// with C: in a temporary folder, its serial port the PC-98 model joined to a pseudo-terminal
// that velmo opens. The CPU runs on its own thread, never ahead of the wall clock.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "support/velmod_machine.h"

// 4 million instructions a second: a 16 MHz 386.
constexpr uint64_t INSTRUCTIONS_PER_SECOND = 4000000;

struct Pc98Options {
    std::string switches = "/B:9600";
    uint32_t lineRate = 9600;       // the far end's
    uint32_t timerClock = 2457600;  // or 1996800, as 0000:0501 bit 7 tells
    bool pc9821 = true;             // its ROM holds the PC-9821 identifier; else a PC-9801's
    bool lineless = false;          // VELMOD is expected to end at once: nobody waits for it
    void (*prepare)(const std::string& driveC) = nullptr;
};

class Pc98Machine final : public VelmodMachine {
  public:
    explicit Pc98Machine(const Pc98Options& options = {});
    ~Pc98Machine();
    Pc98Machine(const Pc98Machine&) = delete;
    Pc98Machine& operator=(const Pc98Machine&) = delete;

    const std::string& driveC() const override { return driveC_; }
    const std::string& linePath() const override;
    void configureVelmo(const std::string& directory) const override;
    std::string stopAndReadScreen() override;

    // The far end's RS, which the 8251A sees as CS.
    void setClearToSend(bool on) { clearToSend_ = on; }
    // VELMOD's exit code once it has ended (waiting up to `seconds`), else -1.
    int exitCode(int seconds = 20);
    // What the serial model saw done wrong; empty when nothing. Complete once stopped.
    std::string fault() const;
    double emulatedSeconds() const { return double(emulatedNs_) / 1e9; }
    uint32_t overruns() const { return overruns_; }

  private:
    struct Parts;
    void run();
    void stop();

    Pc98Options options_;
    std::string dir_;
    std::string driveC_;
    std::unique_ptr<Parts> parts_;
    std::atomic<bool> clearToSend_ = true;
    std::atomic<bool> stopping_ = false;
    std::atomic<uint64_t> emulatedNs_ = 0;
    std::atomic<uint32_t> overruns_ = 0;
    std::thread thread_;
};
