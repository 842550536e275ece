// The PC's processor for the PC-98 rig: Unicorn running 16-bit real mode over 1 MiB of memory.
// I/O instructions and software interrupts go to the handlers the rig installs; time is
// counted in instructions.
#pragma once
#include <unicorn/unicorn.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class EmulatedCpu {
  public:
    EmulatedCpu();
    ~EmulatedCpu();
    EmulatedCpu(const EmulatedCpu&) = delete;
    EmulatedCpu& operator=(const EmulatedCpu&) = delete;

    std::function<uint8_t(uint16_t port)> portIn;
    std::function<void(uint16_t port, uint8_t value)> portOut;
    std::function<void(uint8_t number)> interrupt;
    // Called after every slice of instructions; false ends the run.
    std::function<bool()> sliceDone;

    // Where run() starts: segment:offset with DS = ES = SS = segment, as DOS starts a .COM.
    void startAt(uint16_t segment, uint16_t offset, uint16_t stackPointer);
    // Executes until stop() or sliceDone() says so, or the CPU meets something it cannot do.
    void run(uint64_t sliceInstructions);
    void stop();
    void countInstruction();
    const std::string& failure() const { return failure_; }

    uint16_t reg(int id) const;
    void setReg(int id, uint16_t value);
    // Sets or clears bits of FLAGS.
    void setFlag(uint16_t flag, bool on);

    void write(uint32_t linear, const void* bytes, size_t count);
    std::vector<uint8_t> read(uint32_t linear, size_t count) const;
    // A NUL-terminated string at segment:offset (at most 256 bytes).
    std::string cString(uint16_t segment, uint16_t offset) const;

  private:
    uc_engine* uc_ = nullptr;
    uint64_t slice_ = 0;
    uint64_t sinceSlice_ = 0;
    std::string failure_;
};

constexpr uint16_t FLAG_CARRY = 0x0001;
constexpr uint16_t FLAG_ZERO = 0x0040;

inline uint32_t linear(uint16_t segment, uint16_t offset) {
    return uint32_t(segment) * 16 + offset;
}
