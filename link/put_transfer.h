// "#PUT": local files to the MS-DOS side, one header or data block per tick.
#pragma once

struct LinkContext;
class DeviceContext;

// The step of a "#PUT" (link/step_result.h). A failure returns one of these codes, reported
// through k_fatal_error.
int a_PutResponseFrom98(LinkContext* ctx, DeviceContext* dc);

constexpr int PUT_NO_LOCAL_NAME = 10;         // the search gave a file without a name
constexpr int PUT_NO_BASE_NAME = 20;          // the file's name has no last component
constexpr int PUT_FILE_TOO_LARGE = 30;        // 2 GiB or more: sizes travel in 32 bits
constexpr int PUT_TIME_UNREADABLE = 32;       // the file's MS-DOS time stamp
constexpr int PUT_HEADER_NOT_DELIVERED = 34;  // a_send98_put's result beside it
constexpr int PUT_READ_FAILED = 40;           // the bytes read so far beside it
constexpr int PUT_DATA_NOT_DELIVERED = 42;    // a_send98_put's result beside it
// Some files of the pattern could not be sent (each named on the console): the command failed.
constexpr int PUT_FILES_NOT_SENT = 50;
// The next local file of a "#PUT" pattern into `name` (FIND_NAME_MAX bytes): mode 0 first,
// 1 next. 0 found, -1 no (further) file.
int a_fnameget(int mode, const char* pattern, char* name);
