#include "dos/sim/dos_time.h"

#include <cstdio>

#include "wire/wire_format.h"

void dos_stamp_from_time(time_t when, uint16_t* dosDate, uint16_t* dosTime) {
    tm local{};
    localtime_r(&when, &local);
    const int year = local.tm_year + 1900;
    if (year < 1980) {
        *dosDate = k_dos_date(1980, 1, 1);
        *dosTime = 0;
    } else if (year > 2107) {
        *dosDate = k_dos_date(2107, 12, 31);
        *dosTime = k_dos_time(23, 59, 58);
    } else {
        *dosDate = k_dos_date(year, local.tm_mon + 1, local.tm_mday);
        *dosTime = k_dos_time(local.tm_hour, local.tm_min, local.tm_sec);
    }
}

bool dos_time_from_stamp(uint16_t dosDate, uint16_t dosTime, time_t* when) {
    tm local{};
    local.tm_year = 80 + (dosDate >> 9);
    local.tm_mon = ((dosDate >> 5) & 0x0F) - 1;
    local.tm_mday = dosDate & 0x1F;
    local.tm_hour = dosTime >> 11;
    local.tm_min = (dosTime >> 5) & 0x3F;
    local.tm_sec = (dosTime & 0x1F) * 2;
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday < 1 || local.tm_hour > 23 ||
        local.tm_min > 59 || local.tm_sec > 59) {
        return false;
    }
    local.tm_isdst = -1;
    *when = mktime(&local);
    return *when != time_t(-1);
}

std::string dos_listing_time(time_t when) {
    tm local{};
    localtime_r(&when, &local);
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%02d  %2d:%02d%c", local.tm_mon + 1, local.tm_mday,
                  local.tm_year % 100, hour12, local.tm_min, local.tm_hour < 12 ? 'a' : 'p');
    return text;
}
