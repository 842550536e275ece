#include "support/paced_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr Nanos SECOND = 1'000'000'000;

// Ten bit times per byte at `rate`, rounded up to the nanosecond as the model does.
Nanos byteTime(int rate, uint64_t bytes = 1) {
    return Nanos((bytes * 10 * SECOND + uint64_t(rate) - 1) / uint64_t(rate));
}

std::vector<uint8_t> bytes(size_t count, uint8_t first = 0) {
    std::vector<uint8_t> out(count);
    for (size_t i = 0; i < count; ++i) out[i] = uint8_t(first + i);
    return out;
}

TEST(PacedLine, AByteArrivesTenBitTimesAfterItIsWrittenNotBefore) {
    PacedLine line(9600);
    auto one = bytes(1, 0x41);
    line.enqueue(one.data(), 1, 5 * SECOND);
    EXPECT_EQ(line.arrived(5 * SECOND + byteTime(9600) - 1), 0u);
    EXPECT_EQ(line.arrived(5 * SECOND + byteTime(9600)), 1u);
    EXPECT_EQ(line.front()[0], 0x41);
}

TEST(PacedLine, BytesWrittenWhileTheLineIsBusyQueueBehindTheRun) {
    PacedLine line(9600);
    auto first = bytes(10);
    auto second = bytes(10, 10);
    line.enqueue(first.data(), 10, 0);
    line.enqueue(second.data(), 10, byteTime(9600, 3));
    EXPECT_EQ(line.arrived(byteTime(9600, 19)), 19u);
    EXPECT_EQ(line.arrived(byteTime(9600, 20)), 20u);
    EXPECT_EQ(std::vector<uint8_t>(line.front(), line.front() + 20), bytes(20));
}

TEST(PacedLine, AnIdleLineSavesNoCredit) {
    PacedLine line(115200);
    auto block = bytes(100);
    line.enqueue(block.data(), 1, 0);
    line.consume(line.arrived(SECOND));
    line.enqueue(block.data(), 100, 10 * SECOND);
    EXPECT_EQ(line.arrived(10 * SECOND), 0u);
    EXPECT_EQ(line.arrived(10 * SECOND + byteTime(115200, 100)), 100u);
}

TEST(PacedLine, ALongRunKeepsTheExactRateWithoutDrift) {
    PacedLine line(115200);
    auto chunk = bytes(4096);
    const uint64_t total = 1 << 20;
    // Written in pieces as a program would, each while the line is still busy.
    for (uint64_t written = 0; written < total; written += chunk.size()) {
        Nanos now = byteTime(115200, written / 2);
        line.enqueue(chunk.data(), chunk.size(), now);
        line.consume(line.arrived(now));
    }
    Nanos end = byteTime(115200, total);  // 91.0222 s
    EXPECT_LT(line.arrived(end - 1), line.queued());
    EXPECT_EQ(line.arrived(end), line.queued());
}

TEST(PacedLine, NextArrivalIsTheEndOfTheNextChunkOrOfTheRun) {
    PacedLine line(9600);
    EXPECT_EQ(line.nextArrival(4), NEVER);
    auto six = bytes(6);
    line.enqueue(six.data(), 6, 0);
    EXPECT_EQ(line.nextArrival(4), byteTime(9600, 4));
    line.consume(line.arrived(byteTime(9600, 4)));
    EXPECT_EQ(line.nextArrival(4), byteTime(9600, 6));  // only two are left
    EXPECT_EQ(line.bytesPerMillisecond(), 1u);
    EXPECT_EQ(PacedLine(115200).bytesPerMillisecond(), 11u);
}

TEST(PacedLine, UnpacedLineDeliversAtOnce) {
    PacedLine line(0);
    auto block = bytes(5000);
    line.enqueue(block.data(), block.size(), 7);
    EXPECT_EQ(line.arrived(7), 5000u);
    EXPECT_EQ(line.nextArrival(1), 0);
    line.consume(5000);
    EXPECT_EQ(line.queued(), 0u);
    EXPECT_EQ(line.nextArrival(1), NEVER);
}

// A stop-and-wait dialogue over two model lines takes exactly (block + answer) byte times per
// exchange: the bound the transfer benchmark compares against.
TEST(PacedLine, StopAndWaitCostsTheBlockAndTheAnswerPerExchange) {
    const int rate = 115200;
    const size_t blockBytes = 4108;
    PacedLine out(rate);
    PacedLine back(rate);
    auto block = bytes(blockBytes);
    uint8_t ack = 0x06;
    Nanos now = 0;
    for (int exchange = 0; exchange < 256; ++exchange) {
        out.enqueue(block.data(), blockBytes, now);
        now = out.nextArrival(blockBytes);
        out.consume(out.arrived(now));
        back.enqueue(&ack, 1, now);
        now = back.nextArrival(1);
        back.consume(back.arrived(now));
    }
    Nanos ideal = Nanos(256 * (blockBytes + 1) * 10 * SECOND / rate);
    EXPECT_NEAR(double(now), double(ideal), 512.0);  // rounding: under 1 ns per byte run
}

}  // namespace
