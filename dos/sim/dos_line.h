// The MS-DOS machine's end of the cable: exact reads and whole writes on one file descriptor
// (a pseudo-terminal master or a serial device), paced to a line rate when one is set.
//
// Reads wait with an idle time-out that every arriving byte restarts, as velmo's do.
// A pseudo-terminal whose other end nobody holds reports a hang-up; between exchanges that
// means "no one connected" and is waited out, inside an exchange it ends the exchange.
// A stop request (SIGINT, SIGTERM) ends every wait within a fraction of a second.
// The protocol engine drives it through EngineLine.
#pragma once
#include <cstddef>
#include <cstdint>

#include "dos/engine/engine_line.h"
#include "dos/sim/line_pacer.h"

class DosLine final : public EngineLine {
  public:
    // `timeoutMs`: how long a write may wait for the line to take bytes.
    DosLine(int fd, uint32_t lineRate, int timeoutMs);

    LineRead read(uint8_t* buffer, uint32_t count, uint32_t idleMs) override;
    // Waits through hang-ups (nobody connected yet).
    LineRead awaitByte(uint8_t* byte) override;
    bool write(const uint8_t* bytes, uint32_t count) override;

    // Fault injection: after `bytes` more bytes everything written is dropped, until cleared.
    void setSendBudget(uint64_t bytes);
    void clearSendBudget() { budgeted_ = false; }

  private:
    enum class Wait { Ready, Timeout, Gone, Stopped };
    Wait waitFor(short events, int timeoutMs);
    LineRead readFor(uint8_t* buffer, size_t count, int timeoutMs);
    size_t writeSome(const uint8_t* bytes, size_t count);

    int fd_;
    int timeoutMs_;
    LinePacer sendPacer_;
    LinePacer receivePacer_;
    bool receiveRun_ = false;  // a run of incoming bytes is being taken at line rate
    bool budgeted_ = false;
    uint64_t budget_ = 0;
};

// Set by SIGINT and SIGTERM; every wait of the line looks at it.
bool dos_stop_requested();
void dos_request_stop();
