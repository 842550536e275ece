// The answer to a plain command: text records shown line by line, the new prompt, the end.
#pragma once

struct LinkContext;
class DeviceContext;

// The step of a plain command (link/step_result.h).
int a_ResponseFrom98(LinkContext* ctx, DeviceContext* dc);
