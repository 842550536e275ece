// A PC-98's built-in serial port as the 8251A and 8253 data sheets and the PC-98's I/O map
// describe it, for running a driver against: the 8251A USART (data 30h, control and status
// 32h), channel 2 of the 8253 timer that clocks it (count 75h, control 77h) and system port C
// (35h), whose low bits mask the USART's interrupts. Time moves only through advance(): bytes
// cross the line one by one at the rate the timer count and the mode word make.
#pragma once
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

class Pc98Serial {
  public:
    // `timerClock`: the 8253's input in Hz; `lineRate`: the far end's bit/s, which sends and
    // expects 8 data bits, no parity, 1 stop bit.
    Pc98Serial(uint32_t timerClock, uint32_t lineRate);

    uint8_t in(uint16_t port);
    void out(uint16_t port, uint8_t value);
    void advance(uint64_t ns);

    std::deque<uint8_t> incoming;  // the far end's bytes, not yet on the line
    std::string outgoing;          // bytes that have reached the far end
    bool clearToSend = true;       // the far end's RS, wired to the 8251A's CTS
    uint8_t systemPortC = 0x0F;
    uint32_t overruns = 0;  // received bytes lost because the driver read too late

    uint8_t mode() const { return mode_; }
    uint8_t command() const { return command_; }
    uint32_t count() const { return count_; }
    // The first thing a driver did that the line cannot carry; empty while there is none.
    const std::string& fault() const { return fault_; }

  private:
    enum class Expect : uint8_t { Mode, FirstSync, SecondSync, Command };

    void control(uint8_t value);
    void internalReset();
    void transmit(uint8_t byte);
    void moveTransmitter(uint64_t ns);
    void moveReceiver(uint64_t ns);
    bool carriesTheLine();
    uint64_t chipByteNs() const;
    void setFault(const std::string& what);

    uint32_t timerClock_;
    uint32_t lineRate_;
    // The 8251A.
    Expect expect_ = Expect::Mode;  // as after power-up
    uint8_t mode_ = 0;
    uint8_t command_ = 0;
    uint8_t errors_ = 0;
    std::optional<uint8_t> txBuffer_;
    std::optional<uint8_t> txShifter_;
    uint64_t txShiftedNs_ = 0;
    std::optional<uint8_t> rxData_;
    uint64_t rxShiftedNs_ = 0;
    // The 8253's channel 2.
    uint8_t timerAccess_ = 0;  // RL bits of its last control word
    bool timerHighNext_ = false;
    uint32_t count_ = 0x10000;
    std::string fault_;
};
