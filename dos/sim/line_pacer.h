// Holds the bytes of one direction to the speed of a real 8N1 line (ten bits per byte).
//
// The pacer models the line as a transmitter that is busy from the start of a run of bytes until
// its last byte is through: byte i of a run started at time s is complete at s + i / rate.
// Callers ask how many bytes are complete by now and take no more than that, so nothing is
// delivered earlier than the line would deliver it, while a late wake-up costs no throughput
// (the run keeps its own time line). A rate of 0 means no limit.
#pragma once
#include <cstddef>
#include <cstdint>

class LinePacer {
  public:
    explicit LinePacer(uint32_t bitsPerSecond = 0);

    bool limited() const { return nsPerByte_ > 0; }
    // Starts a run of bytes now, or where the previous run's last byte ends if that is later.
    void startRun();
    // Bytes of the current run complete by now that have not been taken yet.
    size_t due() const;
    // Records that `count` bytes of the run were taken.
    void take(size_t count) { taken_ += count; }
    // Sleeps until `count` more bytes of the run are complete.
    void waitFor(size_t count) const;
    // About one millisecond of the line: the most worth handing over in one piece.
    size_t chunk() const;

  private:
    int64_t completeAt(size_t byteIndex) const;

    int64_t nsPerByte_ = 0;
    int64_t runStart_ = 0;
    size_t taken_ = 0;
};

// Nanoseconds of the monotonic clock.
int64_t monotonic_ns();
