// The CommandFrame on the line: written in runs, with a wait for the MS-DOS side's ACK at each
// marker.
#pragma once
#include <cstdint>

struct LinkContext;

// Sends a run in which 0xFF at offset 2 and at the last offset means "wait for ACK here".
// 10 open failed, 20 write failed, 30 no acknowledgement, 40 error answer or other byte.
int a_CommandSend(LinkContext* ctx, int count, const uint8_t* bytes);
