// Transfers over a pseudo-terminal: a link context with its port open, a temporary working
// directory, a fixed clock, a recording status bar, and the MS-DOS side's blocks.
#pragma once
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "link/link_fixture.h"
#include "support/file_bytes.h"
#include "support/fixed_clock.h"
#include "support/recording_status_bar.h"
#include "support/temp_working_directory.h"
#include "wire/wire_format.h"

inline const Bytes ESC_R = {ESC, 'R'};
inline const Bytes ESC_E = {ESC, 'E'};

inline Bytes dataBlock(uint8_t type, uint32_t number, const std::string& payload) {
    Bytes block(BLOCK_PAYLOAD_OFFSET + payload.size());
    std::memcpy(block.data() + BLOCK_PAYLOAD_OFFSET, payload.data(), payload.size());
    k_block_data(block.data(), type, number, payload.size());
    return block;
}

inline Bytes headerBlock(const std::string& name, uint32_t size) {
    Bytes block(BLOCK_PAYLOAD_OFFSET + name.size());
    k_block_header(block.data(), k_dos_date(2000, 1, 15), k_dos_time(12, 30, 0), size, name.data(),
                   name.size());
    return block;
}

// True when nobody holds the file open without sharing.
inline bool fileReleased(const std::filesystem::path& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    const bool free = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) close(fd);
    return free;
}

class TransferFixture : public LinkFixture {
  protected:
    TransferFixture() {
        ctx.timeoutSetting = 20;  // generous: the machine may be busy
        ctx.statusBar = &statusBar;
        openPort();
    }

    // Calls the step once per tick as the driver does, until it ends.
    int runTicks(int (*step)(LinkContext*, DeviceContext*),
                 const std::function<void(int)>& beforeTick = {}) {
        for (int tick = 1; tick < 100000; ++tick) {
            ctx.tickCount = tick;
            if (beforeTick) beforeTick(tick);
            const int result = step(&ctx, &dc);
            if (result != 0) return result;
        }
        return 0;
    }

    bool consoleHas(const std::string& text) const {
        for (int i = 0; i < ctx.lineCount; ++i) {
            if (lineText(i) == text) return true;
        }
        return false;
    }

    bool consoleHasPrefix(const std::string& prefix) const {
        for (int i = 0; i < ctx.lineCount; ++i) {
            if (lineText(i).rfind(prefix, 0) == 0) return true;
        }
        return false;
    }

    TempWorkingDirectory dir;
    FixedClock clock;
    RecordingStatusBar statusBar;
};
