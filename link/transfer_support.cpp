// The clock readings and file size query both transfers use.
#include "link/transfer_support.h"

#include "base/clock.h"
#include "files/file_layer.h"

void k_elapsed_time(int mode, int* days, int* hours, int* minutes, int* seconds, int* milliseconds,
                    uint32_t* start) {
    const uint32_t now = k_clock().tickMs();
    if (mode == 0) {
        *days = *hours = *minutes = *seconds = *milliseconds = 0;
        *start = now;
        return;
    }
    uint32_t elapsed = now - *start;
    if (*start > now) elapsed -= 1;  // the tick counter wrapped since the start
    *days = int(elapsed / 86400000u);
    elapsed %= 86400000u;
    *hours = int(elapsed / 3600000u);
    elapsed %= 3600000u;
    *minutes = int(elapsed / 60000u);
    elapsed %= 60000u;
    *seconds = int(elapsed / 1000u);
    *milliseconds = int(elapsed % 1000u);
}

int k_file_sizeget(const char* name, uint32_t* size) {
    FileControlBlock file{};
    const int opened = k_file_rw(FILE_OPEN_ONLY, 0, name, nullptr, 0, 0, nullptr, &file);
    if (opened != 0) return opened;
    *size = file.size;
    return k_file_rw(FILE_CLOSE, 0, name, nullptr, 0, 0, nullptr, &file);
}
