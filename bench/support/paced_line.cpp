#include "paced_line.h"

#include <algorithm>

namespace {

constexpr int64_t BITS_PER_BYTE = 10;  // start bit, 8 data bits, stop bit
constexpr int64_t NANOS_PER_SECOND = 1'000'000'000;
constexpr size_t COMPACT_AFTER = 64 * 1024;

}  // namespace

PacedLine::PacedLine(int bitsPerSecond) : bitsPerSecond_(std::max(bitsPerSecond, 0)) {}

// Rounded up, so that at this time arrived() counts the byte: a wake-up at this time delivers it.
Nanos PacedLine::crossedAt(const Run& run, uint64_t index) const {
    __int128 bits = __int128(index + 1) * BITS_PER_BYTE * NANOS_PER_SECOND;
    return run.start + Nanos((bits + bitsPerSecond_ - 1) / bitsPerSecond_);
}

Nanos PacedLine::lineFreeAt() const {
    return runs_.empty() ? 0 : crossedAt(runs_.back(), runs_.back().count - 1);
}

void PacedLine::enqueue(const uint8_t* bytes, size_t count, Nanos now) {
    if (count == 0) return;
    bytes_.insert(bytes_.end(), bytes, bytes + count);
    if (bitsPerSecond_ == 0) return;
    if (!runs_.empty() && lineFreeAt() > now)
        runs_.back().count += count;
    else
        runs_.push_back({now, count, 0});
}

size_t PacedLine::arrived(Nanos now) const {
    if (bitsPerSecond_ == 0) return queued();
    size_t total = 0;
    for (const Run& run : runs_) {
        if (now < run.start) break;
        __int128 elapsedBits = __int128(now - run.start) * bitsPerSecond_;
        uint64_t crossed = uint64_t(
            std::min<__int128>(elapsedBits / (BITS_PER_BYTE * NANOS_PER_SECOND), run.count));
        if (crossed > run.taken) total += crossed - run.taken;
        if (crossed < run.count) break;  // later runs start after this one ends
    }
    return total;
}

void PacedLine::consume(size_t count) {
    count = std::min(count, queued());
    head_ += count;
    if (head_ == bytes_.size()) {
        bytes_.clear();
        head_ = 0;
    } else if (head_ > COMPACT_AFTER && head_ * 2 > bytes_.size()) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + Nanos(head_));
        head_ = 0;
    }
    while (count > 0 && !runs_.empty()) {
        Run& run = runs_.front();
        uint64_t take = std::min<uint64_t>(count, run.count - run.taken);
        run.taken += take;
        count -= take;
        if (run.taken == run.count) runs_.pop_front();
    }
}

Nanos PacedLine::nextArrival(size_t chunk) const {
    if (queued() == 0) return NEVER;
    if (bitsPerSecond_ == 0) return 0;
    const Run& run = runs_.front();
    uint64_t last = std::min<uint64_t>(run.taken + std::max<size_t>(chunk, 1), run.count);
    return crossedAt(run, last - 1);
}

size_t PacedLine::bytesPerMillisecond() const {
    return std::max<size_t>(size_t(bitsPerSecond_ / BITS_PER_BYTE / 1000), 1);
}
