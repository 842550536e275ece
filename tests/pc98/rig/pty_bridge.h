// The far end of the model's line joined to a pseudo-terminal, which velmo opens as its serial
// port: what the chip sends is written to the master side, what velmo writes is read from it
// onto the line. A pseudo-terminal has no modem lines, so CS is the rig's to set.
#pragma once
#include <string>

#include "support/pc98_serial.h"
#include "support/pty_pair.h"

class PtyBridge {
  public:
    PtyBridge();
    const std::string& path() const { return pty_.slavePath(); }
    // Moves what is waiting either way, without blocking.
    void pump(Pc98Serial& serial);

  private:
    PtyPair pty_;
    std::string unsent_;
};
