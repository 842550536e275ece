// The PC/AT UART driver against a model of an 8250/16550 at COM1's address.
#include "dos/pc/uart_8250.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "port_model.h"

namespace {

constexpr uint16_t COM1 = 0x3F8;

// The registers the driver uses, with the divisor latch behind DLAB and the FIFO of a 16550A
// (or none, for an 8250).
class UartModel final : public PortDevice {
  public:
    explicit UartModel(bool fifo) : fifo_(fifo) {}

    uint8_t in(uint16_t port) override {
        switch (port - COM1) {
            case 0:
                if (dlab()) return uint8_t(divisor);
                if (received.empty()) return 0;
                {
                    const uint8_t byte = received.front();
                    received.pop_front();
                    return byte;
                }
            case 1:
                return dlab() ? uint8_t(divisor >> 8) : interrupts;
            case 2:
                return fifoOn ? 0xC1 : 0x01;
            case 3:
                return lineControl;
            case 4:
                return modemControl;
            case 5:
                return uint8_t((received.empty() ? 0 : 0x01) | (transmitterBusy ? 0 : 0x60));
            default:
                return 0;
        }
    }

    void out(uint16_t port, uint8_t value) override {
        switch (port - COM1) {
            case 0:
                if (dlab()) {
                    divisor = uint16_t((divisor & 0xFF00) | value);
                } else {
                    sent.push_back(value);
                }
                break;
            case 1:
                if (dlab()) {
                    divisor = uint16_t((divisor & 0x00FF) | value << 8);
                } else {
                    interrupts = value;
                }
                break;
            case 2:
                fifoOn = fifo_ && (value & 0x01);
                break;
            case 3:
                lineControl = value;
                break;
            case 4:
                modemControl = value;
                break;
        }
    }

    bool dlab() const { return lineControl & 0x80; }

    uint16_t divisor = 0x0C;
    uint8_t interrupts = 0x01;
    uint8_t lineControl = 0x07;
    uint8_t modemControl = 0x0B;
    bool fifoOn = false;
    bool transmitterBusy = false;
    std::deque<uint8_t> received;
    std::vector<uint8_t> sent;

  private:
    bool fifo_;
};

class Uart8250Test : public ::testing::Test {
  protected:
    void install(bool fifo) {
        chip = std::make_unique<UartModel>(fifo);
        ports.attach(COM1, COM1 + 7, chip.get());
    }

    PortModel ports;
    std::unique_ptr<UartModel> chip;
    Uart8250 uart;
};

TEST_F(Uart8250Test, BaseAddressesComeFromTheBiosDataArea) {
    ports.setMemory(0x40, 0, {0xF8, 0x03, 0xF8, 0x02, 0, 0, 0, 0});
    EXPECT_EQ(uart_bios_base(1), 0x3F8);
    EXPECT_EQ(uart_bios_base(2), 0x2F8);
    EXPECT_EQ(uart_bios_base(3), 0);
    EXPECT_EQ(uart_bios_base(5), 0);
}

TEST_F(Uart8250Test, OpenSetsTheLineAndCloseRestoresIt) {
    install(true);
    ASSERT_EQ(uart.open(COM1, 115200), ChipOpen::Ok);
    EXPECT_EQ(chip->divisor, 1);
    EXPECT_EQ(chip->lineControl, 0x03) << "8 data bits, no parity, 1 stop bit, DLAB off";
    EXPECT_EQ(chip->modemControl, 0x03) << "DTR and RTS";
    EXPECT_EQ(chip->interrupts, 0);
    EXPECT_TRUE(uart.hasFifo());

    uart.close();
    EXPECT_EQ(chip->divisor, 0x0C);
    EXPECT_EQ(chip->lineControl, 0x07);
    EXPECT_EQ(chip->modemControl, 0x0B);
    EXPECT_EQ(chip->interrupts, 0x01);
    EXPECT_FALSE(chip->fifoOn);
}

TEST_F(Uart8250Test, NoChipAndImpossibleRatesAreRefused) {
    EXPECT_EQ(uart.open(COM1, 9600), ChipOpen::NoChip) << "nothing at the ports";
    EXPECT_EQ(uart.open(0, 9600), ChipOpen::NoChip) << "no port listed";
    install(true);
    EXPECT_EQ(uart.open(COM1, 10000), ChipOpen::BadRate);
    EXPECT_EQ(uart.open(COM1, 230400), ChipOpen::BadRate);
    EXPECT_EQ(chip->modemControl, 0x0B) << "a refused open leaves the modem lines alone";
}

TEST_F(Uart8250Test, ReceivedBytesPassOneByOne) {
    install(true);
    chip->received = {0x11};
    ASSERT_EQ(uart.open(COM1, 9600), ChipOpen::Ok);
    uint8_t byte = 0;
    EXPECT_FALSE(uart.receive(&byte)) << "what the chip held before the open is thrown away";
    chip->received = {0x1B, 0x43};
    EXPECT_TRUE(uart.receive(&byte));
    EXPECT_EQ(byte, 0x1B);
    EXPECT_TRUE(uart.receive(&byte));
    EXPECT_EQ(byte, 0x43);
    EXPECT_FALSE(uart.receive(&byte));
}

TEST_F(Uart8250Test, AnEmptyFifoTakesSixteenBytesAtOnce) {
    install(true);
    ASSERT_EQ(uart.open(COM1, 115200), ChipOpen::Ok);
    ASSERT_TRUE(uart.send(0));
    chip->transmitterBusy = true;
    for (uint8_t i = 1; i < 16; ++i) EXPECT_TRUE(uart.send(i));
    EXPECT_FALSE(uart.send(16));
    EXPECT_EQ(chip->sent.size(), 16u);
}

TEST_F(Uart8250Test, WithoutFifoEachByteWaitsForTheHoldingRegister) {
    install(false);
    ASSERT_EQ(uart.open(COM1, 9600), ChipOpen::Ok);
    EXPECT_EQ(chip->divisor, 12);
    EXPECT_FALSE(uart.hasFifo());
    EXPECT_TRUE(uart.send(0x06));
    chip->transmitterBusy = true;
    EXPECT_FALSE(uart.send(0x15));
    EXPECT_EQ(chip->sent, std::vector<uint8_t>{0x06});
}

}  // namespace
