// MS-DOS (FAT) time stamps of local files: read for the header of a file sent, set on a file
// received. A FAT stamp is local time from 1980 to 2107 with two-second steps.
#include "link/dos_file_time.h"

#include <sys/stat.h>

#include <ctime>

#include "files/file_layer.h"
#include "files/reporter.h"
#include "wire/wire_format.h"

namespace {

constexpr int STAGE_OPEN = 10;
constexpr int STAGE_READ_TIME = 20;
constexpr int STAGE_LOCAL_TIME = 30;
constexpr int STAGE_SET_TIME = 40;
constexpr int STAGE_BAD_STAMP = 20;

// A file time outside the FAT range takes the nearest stamp rather than failing the copy.
void dosFromLocal(const tm& local, uint16_t* dosDate, uint16_t* dosTime) {
    const int year = local.tm_year + 1900;
    if (year < 1980) {
        *dosDate = k_dos_date(1980, 1, 1);
        *dosTime = k_dos_time(0, 0, 0);
    } else if (year > 2107) {
        *dosDate = k_dos_date(2107, 12, 31);
        *dosTime = k_dos_time(23, 59, 58);
    } else {
        *dosDate = k_dos_date(year, local.tm_mon + 1, local.tm_mday);
        *dosTime = k_dos_time(local.tm_hour, local.tm_min, local.tm_sec);
    }
}

// The calendar fields of a stamp; false when they name no real day or time of day.
bool localFromDos(uint16_t dosDate, uint16_t dosTime, tm* local) {
    *local = tm{};
    local->tm_year = 80 + (dosDate >> 9);
    local->tm_mon = ((dosDate >> 5) & 15) - 1;
    local->tm_mday = dosDate & 31;
    local->tm_hour = dosTime >> 11;
    local->tm_min = (dosTime >> 5) & 63;
    local->tm_sec = (dosTime & 31) * 2;
    local->tm_isdst = -1;
    return local->tm_mon >= 0 && local->tm_mon < 12 && local->tm_mday >= 1 && local->tm_hour < 24 &&
           local->tm_min < 60 && local->tm_sec < 60;
}

// Stage of the failure, or 0.
int readStamp(int fd, uint16_t* dosDate, uint16_t* dosTime) {
    struct stat info;
    if (fstat(fd, &info) != 0) return STAGE_READ_TIME;
    tm local;
    if (localtime_r(&info.st_mtim.tv_sec, &local) == nullptr) return STAGE_LOCAL_TIME;
    dosFromLocal(local, dosDate, dosTime);
    return 0;
}

int writeStamp(int fd, uint16_t dosDate, uint16_t dosTime) {
    tm local;
    if (!localFromDos(dosDate, dosTime, &local)) return STAGE_BAD_STAMP;
    const int day = local.tm_mday;
    const time_t seconds = mktime(&local);
    // mktime moves the 31st of a 30-day month on to the next month: no such day.
    if (seconds == time_t(-1) || local.tm_mday != day) return STAGE_LOCAL_TIME;
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};  // last access, last write
    return futimens(fd, times) == 0 ? 0 : STAGE_SET_TIME;
}

// Runs `stamp` on the file opened without sharing, closes it, and reports a failure.
template <typename Stamp>
int withOpenFile(const char* function, const char* name, int direction, Stamp stamp) {
    FileControlBlock file{};
    int fileResult = k_file_rw(FILE_OPEN_ONLY, direction, name, nullptr, 0, 0, nullptr, &file);
    int stage = STAGE_OPEN;
    if (fileResult == 0) {
        stage = stamp(file.handle);
        const int closed = k_file_rw(FILE_CLOSE, direction, name, nullptr, 0, 0, nullptr, &file);
        if (stage == 0) fileResult = closed;
    }
    if (stage == 0 && fileResult == 0) return 0;
    const int code = (stage << 16) | fileResult;
    k_fatal_error(9, function, code, fileResult, fileResult);
    return code;
}

}  // namespace

int k_dos_ftimeGet(const char* name, uint16_t* dosDate, uint16_t* dosTime) {
    return withOpenFile("k_dos_ftimeGet", name, 0,
                        [&](int fd) { return readStamp(fd, dosDate, dosTime); });
}

int k_dos_ftimeSet(const char* name, uint16_t dosDate, uint16_t dosTime) {
    return withOpenFile("k_dos_ftimeSet", name, 1,
                        [&](int fd) { return writeStamp(fd, dosDate, dosTime); });
}
