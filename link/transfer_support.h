// Small routines both transfers share: the time stamp of console lines (k_datetime_text of
// core/clock.h), the stopwatch of the progress line, file sizes and MS-DOS file times.
#pragma once
#include <cstdint>

#include "base/clock.h"

struct LinkContext;

// mode 0 starts the stopwatch in *start; any other mode splits the time since *start.
void k_elapsed_time(int mode, int* days, int* hours, int* minutes, int* seconds, int* milliseconds,
                    uint32_t* start);
int k_file_sizeget(const char* name, uint32_t* size);
int k_dos_ftimeGet(const char* name, uint16_t* dosDate, uint16_t* dosTime);
int k_dos_ftimeSet(const char* name, uint16_t dosDate, uint16_t dosTime);
