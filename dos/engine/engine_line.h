// The cable as the MS-DOS side's protocol engine sees it: whole writes, exact reads with an idle
// time-out, and a wait between exchanges that lasts as long as it takes.
//
// velmo-dos supplies a pseudo-terminal or serial device (paced, stopped by SIGTERM); VELMOD.COM
// supplies the PC's UART (stopped by the ESC key). The engine never looks at a clock: every
// wait it needs is the idle time-out of one read.
#pragma once
#include <cstdint>

enum class LineRead : uint8_t {
    Ok,
    Timeout,  // the line was quiet for the whole idle time-out
    Gone,     // the line failed, or nobody holds its other end
    Stopped,  // a stop was requested: the engine ends what it is doing and returns
};

class EngineLine {
  public:
    // Reads exactly `count` bytes; gives up after `idleMs` of silence, restarted by every byte.
    virtual LineRead read(uint8_t* buffer, uint32_t count, uint32_t idleMs) = 0;
    // Waits for one byte between exchanges, however long it takes and through a missing other
    // end; returns only Ok or Stopped.
    virtual LineRead awaitByte(uint8_t* byte) = 0;
    // Writes all bytes; false when the line is gone, stuck, or a stop was requested.
    virtual bool write(const uint8_t* bytes, uint32_t count) = 0;

  protected:
    ~EngineLine() = default;
};
