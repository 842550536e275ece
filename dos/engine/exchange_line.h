// The line as one exchange uses it: every read waits the engine's idle time-out, and an ESC 'C'
// seen where an answer was expected is kept as the start of the next command.
#pragma once
#include <cstddef>
#include <cstdint>

#include "dos/engine/engine_line.h"

class ExchangeLine {
  public:
    ExchangeLine(EngineLine& line, uint32_t idleMs) : line_(line), idleMs_(idleMs) {}

    LineRead read(uint8_t* buffer, uint32_t count) { return line_.read(buffer, count, idleMs_); }
    LineRead readByte(uint8_t* byte) { return read(byte, 1); }
    // The letter after an ESC from velmo. A new command's ESC 'C' in the middle of an
    // exchange means the end of that exchange was lost (velmo purges its line when it reopens
    // it): the exchange is over, and the next command has begun.
    LineRead readEscapeLetter(uint8_t* letter);
    // One answer byte (ACK, NAK); after an ESC the letter is read as well and *byte stays ESC.
    LineRead readAnswer(uint8_t* byte);
    // Waits, as long as it takes, for the ESC 'C' of the next command; everything else between
    // exchanges is line noise or left-overs. Ok or Stopped.
    LineRead awaitCommandStart();
    // Throws away whatever arrives until the line has been quiet for `quietMs`.
    void drain(uint32_t quietMs);

    bool write(const uint8_t* bytes, uint32_t count) { return line_.write(bytes, count); }
    bool writeControl(uint8_t byte) { return write(&byte, 1); }
    bool writePair(uint8_t first, uint8_t second);

  private:
    EngineLine& line_;
    uint32_t idleMs_;
    bool commandStarted_ = false;
};

// The line as the verification exchange of wire/wire_format.h runs on it.
class EchoLine {
  public:
    static constexpr bool LONG_ECHO_ENDS = false;  // drained and answered NAK, as a short one
    explicit EchoLine(ExchangeLine& line) : line_(line) {}

    bool receive(uint8_t* bytes, size_t count) {
        return line_.read(bytes, uint32_t(count)) == LineRead::Ok;
    }
    bool receiveLetter(uint8_t* letter) { return line_.readEscapeLetter(letter) == LineRead::Ok; }
    bool send(const uint8_t* bytes, size_t count) { return line_.write(bytes, uint32_t(count)); }
    void skipUnframed() { line_.drain(QUIET_AFTER_BAD_ECHO_MS); }

  private:
    static constexpr uint32_t QUIET_AFTER_BAD_ECHO_MS = 100;
    ExchangeLine& line_;
};
