// The line over a polled chip, with a scripted chip and a clock that moves 1 ms per reading.
#include "dos/pc/chip_line.h"

#include <gtest/gtest.h>

#include <deque>

#include "dos/pc/line_clock.h"

namespace {

class ScriptedChip final : public SerialChip {
  public:
    bool receive(uint8_t* byte) override {
        if (incoming.empty()) return false;
        *byte = incoming.front();
        incoming.pop_front();
        return true;
    }
    bool send(uint8_t byte) override {
        if (busy) return false;
        sent.push_back(byte);
        return true;
    }
    void close() override {}

    std::deque<uint8_t> incoming;
    std::vector<uint8_t> sent;
    bool busy = false;
};

class SteppingClock final : public LineClock {
  public:
    uint32_t nowMs() override { return ms++; }
    uint32_t ms = 0;
};

class CountedKey final : public StopKey {
  public:
    bool pressed() override { return ++looks > pressAfter; }
    int looks = 0;
    int pressAfter = 1 << 30;
};

class ChipLineTest : public ::testing::Test {
  protected:
    ScriptedChip chip;
    SteppingClock clock;
    CountedKey key;
    ChipLine line{chip, clock, key};
};

TEST_F(ChipLineTest, ReadTakesExactlyTheBytesAskedFor) {
    chip.incoming = {1, 2, 3, 4};
    uint8_t bytes[3] = {};
    EXPECT_EQ(line.read(bytes, 3, 100), LineRead::Ok);
    EXPECT_EQ(bytes[2], 3);
    EXPECT_EQ(chip.incoming.size(), 1u);
}

TEST_F(ChipLineTest, ReadGivesUpAfterTheIdleTime) {
    chip.incoming = {1};
    uint8_t bytes[2] = {};
    EXPECT_EQ(line.read(bytes, 2, 50), LineRead::Timeout);
    EXPECT_GE(clock.ms, 50u);
    EXPECT_LT(clock.ms, 60u);
}

TEST_F(ChipLineTest, AwaitByteEndsOnTheStopKeyOnly) {
    key.pressAfter = 3;
    uint8_t byte = 0;
    EXPECT_EQ(line.awaitByte(&byte), LineRead::Stopped);
    chip.incoming = {0x1B};
    EXPECT_EQ(line.awaitByte(&byte), LineRead::Ok);
    EXPECT_EQ(byte, 0x1B);
}

TEST_F(ChipLineTest, StopKeyEndsAReadWithinAQuarterSecondAndTellsTheHost) {
    key.pressAfter = 0;
    for (int i = 0; i < 1000; ++i) chip.incoming.push_back(0);  // a trickle of noise
    uint8_t bytes[2000] = {};
    EXPECT_EQ(line.read(bytes, sizeof bytes, 30000), LineRead::Stopped);
    EXPECT_LE(clock.ms, 300u);
    EXPECT_EQ(chip.sent, (std::vector<uint8_t>{0x1B, 'E'}));
    uint8_t byte = 0;
    EXPECT_EQ(line.awaitByte(&byte), LineRead::Stopped) << "VELMOD ends after the exchange";
}

TEST_F(ChipLineTest, WriteFailsWhenTheTransmitterNeverDrains) {
    const uint8_t bytes[] = {1, 2};
    EXPECT_TRUE(line.write(bytes, 2));
    EXPECT_EQ(chip.sent, (std::vector<uint8_t>{1, 2}));
    chip.busy = true;
    EXPECT_FALSE(line.write(bytes, 2));
}

TEST(CalibratedClock, CountsCalibratedStepsAsMilliseconds) {
    // A DOS clock whose second changes every 4000 readings.
    static int readings;
    readings = 0;
    CalibratedClock clock;
    clock.calibrate([] { return uint8_t(readings++ / 4000); });
    const uint32_t steps = clock.stepsPerSecond();
    ASSERT_GT(steps, 0u);
    uint32_t ms = 0;
    for (uint32_t i = 0; i < steps * 2; ++i) ms = clock.nowMs();
    EXPECT_EQ(ms, 2000u);
}

}  // namespace
