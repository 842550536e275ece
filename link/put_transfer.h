// "#PUT": local files to the MS-DOS side, one header or data block per tick.
#pragma once

struct LinkContext;
class DeviceContext;

// The step of a "#PUT" (link/step_result.h).
int a_PutResponseFrom98(LinkContext* ctx, DeviceContext* dc);
// The next local file of a "#PUT" pattern into `name` (FIND_NAME_MAX bytes): mode 0 first,
// 1 next. 0 found, -1 no (further) file.
int a_fnameget(int mode, const char* pattern, char* name);
