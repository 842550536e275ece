// What every fuzz target shares: a line that carries the input and then ends, a surface that
// draws nothing, a scratch directory per run, and the checks that end a run with a crash.
//
// The line is a socket pair standing in for the port: the input waits in it, then the far end
// stops writing, so a read past the input is an immediate hang-up and no step ever waits out a
// time-out. Whatever velmo answers is drained and, where a target wants it, kept.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "console/device_context.h"

struct LinkContext;

// Stops the run with a message: libFuzzer records the input as a crash.
[[noreturn]] void fuzz_fail(const char* what);
inline void fuzz_check(bool condition, const char* what) {
    if (!condition) fuzz_fail(what);
}

class NullSurface : public DeviceContext {
  public:
    void textOut(int, int, const char*, int) override {}
    void setBackColor(int) override {}
    void setTextColor(int) override {}
    bool selectConsoleFont(int, int* charWidth, int* lineHeight) override;
    void releaseConsoleFont() override {}
    void invalidateWindow() override {}
};

class FuzzLine {
  public:
    // `input` is what the far end says before it falls silent for good.
    FuzzLine(const uint8_t* input, size_t size);
    ~FuzzLine();
    FuzzLine(const FuzzLine&) = delete;
    FuzzLine& operator=(const FuzzLine&) = delete;

    // Opens the port of `ctx` on this line, as a_CommandSend would have.
    void attach(LinkContext* ctx) const;
    // Takes what velmo has sent so far off the line (so that its writes never block).
    void drain();
    const std::vector<uint8_t>& heard() const { return heard_; }

  private:
    int port_ = -1;
    int farEnd_ = -1;
    std::vector<uint8_t> heard_;
};

// A fresh, empty directory under the process's own fuzz root, entered for the run, then left
// for the directory the run started in and removed with everything in it.
class ScratchDirectory {
  public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The directory that holds path(): nothing but path() may ever appear in it.
    static const std::filesystem::path& root();
    void writeFile(const char* name, const uint8_t* bytes, size_t size) const;

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// The number of file descriptors the process holds: a run must give back all it took.
int fuzz_open_descriptors();

// A link context from its defaults for a step fed by a FuzzLine: time-outs of a single poll,
// the user's cancel as the input says.
void fuzz_link_context(LinkContext* ctx, bool cancelRequested);

// Runs a link step tick by tick, as the driver does, until it ends, draining the line after
// each tick and calling `afterTick` (may be null). Every tick that goes on must have taken a
// byte, so more than `tickLimit` ticks is a step that spins. Checks that the result is one a
// step may give and that the run gave back every descriptor it took; returns the result.
int fuzz_run_step(LinkContext* ctx, FuzzLine* line, size_t tickLimit,
                  int (*step)(LinkContext*, DeviceContext*),
                  void (*afterTick)(const LinkContext&) = nullptr);

// Inputs above this are skipped: the whole input must fit into the line's buffer at once.
constexpr size_t FUZZ_INPUT_MAX = 64 * 1024;
