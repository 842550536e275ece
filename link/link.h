// The link protocol as the driver sees it: one typed line becomes one exchange.
//
// a_CommandTo98 classifies the newest console line (plain command, screen clear, "#GET",
// "#PUT"), sends its CommandFrame through a_CommandSend, and leaves LinkContext.getMode or
// putMode set for a transfer. The driver then calls the step of the command's kind once per
// tick: a_ResponseFrom98 (text answer), a_GetResponseFrom98 (files from MS-DOS) or
// a_PutResponseFrom98 (files to MS-DOS). Each step returns 0 (call again), -1 (normal end),
// -2 (cancelled or given up) or a failure code already reported through k_fatal_error.
// Every byte format is in link/wire_format.h.
#pragma once
#include <cstdint>

struct LinkContext;
class DeviceContext;

// 0 sent; -2 usage text shown; otherwise code * 65536 + low 16 bits of the inner code.
int a_CommandTo98(LinkContext* ctx, DeviceContext* dc);
// Sends a run in which 0xFF at offset 2 and at the last offset means "wait for ACK here".
// 10 open failed, 20 write failed, 30 no acknowledgement, 40 error answer or other byte.
int a_CommandSend(LinkContext* ctx, int count, const uint8_t* bytes);

int a_ResponseFrom98(LinkContext* ctx, DeviceContext* dc);
int a_GetResponseFrom98(LinkContext* ctx, DeviceContext* dc);
int a_PutResponseFrom98(LinkContext* ctx, DeviceContext* dc);

// One block of a PUT through its exchange: 0 delivered, -2 aborted or rejected six times.
int a_send98_put(LinkContext* ctx, DeviceContext* dc, uint8_t* block);
// The next local file of a "#PUT" pattern into `name` (FIND_NAME_MAX bytes): mode 0 first,
// 1 next. 0 found, -1 no (further) file.
int a_fnameget(int mode, const char* pattern, char* name);
