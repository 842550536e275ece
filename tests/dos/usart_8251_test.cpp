// The PC-98 serial driver against a model of its 8251A, the 8253's channel 2 and the system
// port that masks the USART's interrupts. The PC-98 cannot be emulated here, so this is where
// its path is checked.
#include "dos/pc/usart_8251.h"

#include <gtest/gtest.h>

#include <deque>

#include "port_model.h"

namespace {

// The 8251A takes a mode word after an internal reset, command words after that.
class UsartModel final : public PortDevice {
  public:
    uint8_t in(uint16_t port) override {
        if (port == 0x30) {
            const uint8_t byte = received.front();
            received.pop_front();
            return byte;
        }
        if (port == 0x32) {
            return uint8_t((running ? 0x01 : 0) | (received.empty() ? 0 : 0x02) | errors);
        }
        if (port == 0x35) return interruptMask;
        return 0;
    }

    void out(uint16_t port, uint8_t value) override {
        if (port == 0x30) sent.push_back(value);
        if (port == 0x35) interruptMask = value;
        if (port == 0x75) timerCount.push_back(value);
        if (port == 0x77) timerMode = value;
        if (port != 0x32) return;
        if (expectMode) {
            mode = value;
            expectMode = false;
        } else if (value & 0x40) {
            expectMode = true;
        } else {
            command = value;
            if (value & 0x10) errors = 0;
            running = (value & 0x05) == 0x05;
        }
    }

    bool expectMode = false;
    bool running = false;
    uint8_t mode = 0, command = 0, errors = 0, timerMode = 0;
    uint8_t interruptMask = 0x0F;
    std::vector<uint8_t> timerCount;
    std::deque<uint8_t> received;
    std::vector<uint8_t> sent;
};

class Usart8251Test : public ::testing::Test {
  protected:
    Usart8251Test() { ports.attach(0x30, 0x77, &chip); }

    PortModel ports;
    UsartModel chip;
    Usart8251 usart;
};

TEST_F(Usart8251Test, TimerClockFollowsTheBiosSystemFlags) {
    ports.setMemory(0, 0x501, {0x80});
    EXPECT_EQ(pc98_timer_clock(), PC98_TIMER_8MHZ_FAMILY);
    ports.setMemory(0, 0x501, {0x48});
    EXPECT_EQ(pc98_timer_clock(), PC98_TIMER_5MHZ_FAMILY);
}

struct RateCase {
    uint32_t clock, rate;
    uint16_t divisor;
    uint32_t nearest;
};

class Pc98RateTest : public ::testing::TestWithParam<RateCase> {};

TEST_P(Pc98RateTest, CountOrNearestRate) {
    const Pc98Rate result = pc98_rate(GetParam().clock, GetParam().rate);
    EXPECT_EQ(result.divisor, GetParam().divisor);
    EXPECT_EQ(result.nearest, GetParam().nearest);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, Pc98RateTest,
    ::testing::Values(RateCase{2457600, 9600, 16, 9600}, RateCase{1996800, 9600, 13, 9600},
                      RateCase{2457600, 19200, 8, 19200}, RateCase{2457600, 38400, 4, 38400},
                      RateCase{1996800, 1200, 104, 1200},
                      // 8 MHz machines have no 19200: the nearest
                      // counts are 7 % off, beyond what a receiver takes.
                      RateCase{1996800, 19200, 0, 17828}, RateCase{2457600, 115200, 0, 153600},
                      RateCase{2457600, 200000, 0, 153600}));

TEST_F(Usart8251Test, OpenProgramsTimerAndUsartAndCloseUnmasks) {
    ASSERT_EQ(usart.open(PC98_TIMER_5MHZ_FAMILY, 9600), ChipOpen::Ok);
    EXPECT_EQ(chip.timerMode, 0xB6) << "counter 2, low and high byte, square wave";
    EXPECT_EQ(chip.timerCount, (std::vector<uint8_t>{16, 0}));
    EXPECT_EQ(chip.mode, 0x4E) << "1 stop bit, no parity, 8 bits, x16";
    EXPECT_EQ(chip.command, 0x37) << "RTS, error reset, receive, DTR, transmit";
    EXPECT_EQ(chip.interruptMask, 0x08) << "the USART's interrupts are masked, the rest kept";

    usart.close();
    EXPECT_EQ(chip.interruptMask, 0x0F);
}

TEST_F(Usart8251Test, RefusedRateTouchesNothing) {
    EXPECT_EQ(usart.open(PC98_TIMER_8MHZ_FAMILY, 19200), ChipOpen::BadRate);
    EXPECT_TRUE(ports.writes.empty());
}

TEST_F(Usart8251Test, BytesPassAndLineErrorsAreCleared) {
    ASSERT_EQ(usart.open(PC98_TIMER_5MHZ_FAMILY, 9600), ChipOpen::Ok);
    chip.received = {0x1B};
    chip.errors = 0x10;  // an overrun
    uint8_t byte = 0;
    EXPECT_TRUE(usart.receive(&byte));
    EXPECT_EQ(byte, 0x1B);
    EXPECT_EQ(chip.errors, 0);
    EXPECT_FALSE(usart.receive(&byte));
    EXPECT_TRUE(usart.send(0x06));
    EXPECT_EQ(chip.sent, std::vector<uint8_t>{0x06});
}

TEST(Usart8251Absent, NoAnswerIsNoChip) {
    PortModel nothing;
    Usart8251 usart;
    EXPECT_EQ(usart.open(PC98_TIMER_5MHZ_FAMILY, 9600), ChipOpen::NoChip);
}

}  // namespace
