// From the typed line to one CommandFrame: plain MS-DOS command, screen clear, "#GET", "#PUT".
#pragma once

struct LinkContext;
class DeviceContext;

// The first step of a command: STEP_MORE sent; STEP_ENDED_EARLY usage text shown; otherwise
// code * 65536 + low 16 bits of the inner code.
int a_CommandTo98(LinkContext* ctx, DeviceContext* dc);
