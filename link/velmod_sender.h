// VELMOD for a DOS machine that has nothing but DOS: the typeable form of VELMOD.COM (printable
// ASCII and CR LF only) goes over the bare cable into DOS's own COPY, which saves it under the
// name it was given, VELMOD.COM.
//
// COPY reads the port through the BIOS, a byte at a time. A byte that comes before COPY reads
// overruns the UART of a PC/AT, and DOS then stops COPY with "General failure reading device";
// so nothing is sent until the user says COPY is running. Meanwhile COPY's driver stores a NUL
// for each second of idle line, of which the typeable form skips up to 60. Then the text
// follows, each byte trailed by a byte's time of idle line, so that a DOS fetching bytes one by
// one has two byte times to take each; Ctrl+Z ends COPY. Nothing else is sent, so nothing on
// the DOS side is written but the file COPY names.
//
// The sender has no clock and no thread of its own: the front end calls step() with the time
// and calls it again when step() says, as the window's timer or the batch loop's wait does.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct LinkContext;

constexpr uint8_t DOS_END_OF_FILE = 0x1A;  // Ctrl+Z: COPY stops reading here

enum class SendPhase {
    Waiting,  // nothing sent until beginText()
    Text,     // the typeable form, then Ctrl+Z
    Done,     // all sent, port closed
    Failed,   // problem() says what happened and what to do; port closed
};

// True for the rates DOS can set for COPY: MODE on a PC/AT, SPEED on a PC-98.
bool velmod_copy_rate(int bitsPerSecond);

// What to type on the DOS machine before pressing Enter, and after the sending, for the rate.
std::string velmod_copy_steps(int bitsPerSecond);
std::string velmod_start_steps(int bitsPerSecond);

class VelmodSender {
  public:
    explicit VelmodSender(LinkContext* ctx) : ctx_(ctx) {}
    ~VelmodSender();
    VelmodSender(const VelmodSender&) = delete;
    VelmodSender& operator=(const VelmodSender&) = delete;

    // Checks the rate and the text at `textPath` and opens the port, sending nothing yet. False
    // with problem() when one of them will not do.
    bool start(const std::string& textPath);
    // COPY is running on the DOS side: the text starts at `nowUs`.
    void beginText(uint64_t nowUs);
    // Sends at most one byte that is due at `nowUs`; returns the microseconds until the next
    // is due, or -1 when nothing is: while Waiting, and once Done or Failed.
    int64_t step(uint64_t nowUs);
    // Ends COPY with Ctrl+Z at once; the file it saved is incomplete, as problem() says.
    void cancel();

    SendPhase phase() const { return phase_; }
    const std::string& problem() const { return problem_; }
    size_t textSent() const { return sent_; }
    size_t textSize() const { return text_.size() + 1; }  // with the Ctrl+Z
    int secondsLeft() const;
    int64_t byteIntervalUs() const { return intervalUs_; }

  private:
    bool fail(std::string problem);
    bool sendByte(uint8_t byte);
    void finish(SendPhase phase);

    LinkContext* ctx_;
    std::string text_;
    SendPhase phase_ = SendPhase::Failed;
    std::string problem_;
    size_t sent_ = 0;
    int64_t intervalUs_ = 0;
    uint64_t dueUs_ = 0;
};

// Microseconds of a monotonic clock, for the front ends' calls.
uint64_t velmod_now_us();
