// A real pseudo-terminal pair for serial tests: velmo opens the slave by its path (mapped to
// COM1 in the link context), the test plays the other machine on the master.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct LinkContext;

// Maps COM1 of `ctx` to `device` and sets its time-out count (tenths of a second of silence).
void connect_com1(LinkContext* ctx, const std::string& device, int timeoutSetting);

class PtyPair {
  public:
    PtyPair();  // both ends raw; fails the test on error
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    void closeMaster();  // the far end disappears: the slave sees a hang-up

    // Maps COM1 of `ctx` to the slave and sets a short time-out (count 8 = 0.8 s of silence).
    void connect(LinkContext* ctx, int timeoutSetting = 8) const;

  private:
    int master_ = -1;
    int slave_ = -1;  // kept open so the master never sees EIO between velmo's opens
    std::string slavePath_;
};

// Reads exactly n bytes from fd within timeoutMs in all; returns what arrived.
std::vector<uint8_t> readBytes(int fd, size_t n, int timeoutMs = 3000);
void writeBytes(int fd, const std::vector<uint8_t>& bytes);
void writeBytes(int fd, const void* bytes, size_t n);

// The other machine played by a function on its own thread with the master end; joined on
// destruction. Keep assertions on the test thread: the script records, the test checks.
class ScriptedPeer {
  public:
    ScriptedPeer(int masterFd, std::function<void(int)> script);
    ~ScriptedPeer();
    void join();

  private:
    std::thread thread_;
};
