// One direction of a serial line at 8N1, modelled byte by byte: a byte written to the line
// starts when the line is free (or when it is written, if later) and has crossed ten bit times
// after it started. Nothing is delivered early, so a stop-and-wait exchange over the model takes
// exactly as long as over a cable at that rate; there is no credit saved up while idle.
//
// Times are nanoseconds of one monotonic clock, handed in by the caller so the model can be
// driven by tests. A rate of 0 means an unpaced line: bytes cross at once.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

using Nanos = int64_t;  // nanoseconds of CLOCK_MONOTONIC (support/monotonic_clock.h)
constexpr Nanos NEVER = INT64_MAX;

class PacedLine {
  public:
    explicit PacedLine(int bitsPerSecond);

    // `count` bytes written to the line at `now`; they follow the bytes already on it.
    void enqueue(const uint8_t* bytes, size_t count, Nanos now);

    // Bytes on the line, crossed or not.
    size_t queued() const { return bytes_.size() - head_; }
    // Bytes whose last bit has crossed by `now`, ready for the far end.
    size_t arrived(Nanos now) const;
    // The first queued byte; `arrived(now)` of them may be taken.
    const uint8_t* front() const { return bytes_.data() + head_; }
    // The far end took `count` arrived bytes.
    void consume(size_t count);

    // When the next `chunk` bytes (or the rest of the current run, if fewer) will have crossed;
    // NEVER when nothing is queued. Waking then delivers in small runs without waking per byte.
    Nanos nextArrival(size_t chunk) const;

    // Bytes per millisecond at this rate, at least 1: a sensible chunk for nextArrival.
    size_t bytesPerMillisecond() const;

  private:
    // Bytes written while the line was busy continue the run in progress, so that times are
    // computed from the run's start and never accumulate rounding.
    struct Run {
        Nanos start;
        uint64_t count;  // bytes of the run still queued or consumed
        uint64_t taken;  // bytes of the run already consumed
    };
    Nanos crossedAt(const Run& run, uint64_t index) const;  // end of byte `index` of `run`
    Nanos lineFreeAt() const;

    int bitsPerSecond_;
    std::deque<Run> runs_;
    std::vector<uint8_t> bytes_;
    size_t head_ = 0;
};
