// Small routines both transfers share: the time stamp of console lines (k_datetime_text of
// base/clock.h), the stopwatch of the progress line and file sizes. MS-DOS file times are in
// link/dos_file_time.h.
#pragma once
#include <cstdint>

#include "base/clock.h"

struct LinkContext;

// mode 0 starts the stopwatch in *start; any other mode splits the time since *start.
void k_elapsed_time(int mode, int* days, int* hours, int* minutes, int* seconds, int* milliseconds,
                    uint32_t* start);
int k_file_sizeget(const char* name, uint32_t* size);
