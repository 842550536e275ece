// File times as MS-DOS directory entries keep them: local time in a 16-bit date and a 16-bit
// time with two-second steps, from 1980 to 2107.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>

// A time outside 1980..2107 is clamped to the nearest representable one.
void dos_stamp_from_time(time_t when, uint16_t* dosDate, uint16_t* dosTime);
// false when the fields do not form a date and time (month 13, minute 61, ...).
bool dos_time_from_stamp(uint16_t dosDate, uint16_t dosTime, time_t* when);
// "MM-DD-YY  h:mmx" as DIR shows a file's time.
std::string dos_listing_time(time_t when);
