// The MS-DOS machine's end of the cable: exact reads and whole writes on one file descriptor
// (a pseudo-terminal master or a serial device), paced to a line rate when one is set.
//
// Reads wait with an idle time-out that every arriving byte restarts, as the Windows side's do.
// A pseudo-terminal whose other end nobody holds reports a hang-up; between exchanges that
// means "no one connected" and is waited out, inside an exchange it ends the exchange.
// A stop request (SIGINT, SIGTERM) ends every wait within a fraction of a second.
#pragma once
#include <cstddef>
#include <cstdint>

#include "line_pacer.h"

enum class LineRead { Ok, Timeout, Gone, Stopped };

class DosLine {
  public:
    DosLine(int fd, uint32_t lineRate, int timeoutMs);

    // Reads exactly `count` bytes; gives up after timeoutMs of silence.
    LineRead read(void* buffer, size_t count);
    LineRead readByte(uint8_t* byte) { return read(byte, 1); }
    // Waits as long as it takes for one byte, through hang-ups (nobody connected yet).
    LineRead waitByte(uint8_t* byte);
    // Reads the letter after an ESC from the Windows side. A new command's ESC 'C' in the middle
    // of an exchange means the end of that exchange was lost (velmo purges its line when it
    // reopens it): the exchange is over, and the command loop is told through
    // takeCommandStart().
    LineRead readEscapeLetter(uint8_t* letter);
    // One answer byte (ACK, NAK); after an ESC the letter is read as well and *byte stays ESC.
    LineRead readAnswer(uint8_t* byte);
    bool takeCommandStart();
    // Throws away whatever arrives until the line has been quiet for `quietMs`.
    void drain(int quietMs);
    // Writes all bytes; false when the line is gone, stuck for the time-out, or stopping.
    bool write(const void* bytes, size_t count);
    bool writeControl(uint8_t a) { return write(&a, 1); }
    bool writePair(uint8_t a, uint8_t b);

    // Fault injection: after `bytes` more bytes everything written is dropped, until cleared.
    void setSendBudget(uint64_t bytes);
    void clearSendBudget() { budgeted_ = false; }

  private:
    enum class Wait { Ready, Timeout, Gone, Stopped };
    Wait waitFor(short events, int timeoutMs);
    LineRead readFor(void* buffer, size_t count, int timeoutMs);
    size_t writeSome(const uint8_t* bytes, size_t count);

    int fd_;
    int timeoutMs_;
    LinePacer sendPacer_;
    LinePacer receivePacer_;
    bool commandStarted_ = false;
    bool receiveRun_ = false;  // a run of incoming bytes is being taken at line rate
    bool budgeted_ = false;
    uint64_t budget_ = 0;
};

// Set by SIGINT and SIGTERM; every wait of the line looks at it.
bool dos_stop_requested();
void dos_request_stop();

// A DosLine as the line of the verification exchange (link/wire_format.h).
class DosBlockLine {
  public:
    static constexpr bool LONG_ECHO_ENDS = false;  // drained and answered NAK, as a short one
    explicit DosBlockLine(DosLine& line) : line_(line) {}
    bool receive(uint8_t* bytes, size_t count) { return line_.read(bytes, count) == LineRead::Ok; }
    bool receiveLetter(uint8_t* letter) { return line_.readEscapeLetter(letter) == LineRead::Ok; }
    bool send(const uint8_t* bytes, size_t count) { return line_.write(bytes, count); }
    void skipUnframed() { line_.drain(QUIET_AFTER_BAD_ECHO_MS); }

  private:
    static constexpr int QUIET_AFTER_BAD_ECHO_MS = 100;
    DosLine& line_;
};
