// One block of a "#PUT" through its exchange: sent, answered, with verification checked
// against its echo, and sent again after a rejection.
#pragma once
#include <cstdint>

struct LinkContext;
class DeviceContext;

// 0 delivered, -2 aborted or rejected six times.
int a_send98_put(LinkContext* ctx, DeviceContext* dc, uint8_t* block);
