// What each step of a command returns to the driver: a_CommandTo98 on the first tick, then
// a_ResponseFrom98, a_GetResponseFrom98 or a_PutResponseFrom98 on every tick after it. Any
// value but these three is a failure code, already reported through k_fatal_error.
#pragma once

constexpr int STEP_MORE = 0;             // not over yet: call again on the next tick
constexpr int STEP_ENDED_NORMALLY = -1;  // the far end ended the command as it should
// Ended before its time: the usage text of #GET or #PUT was shown and nothing was sent, the
// user cancelled, or a transfer gave up on a block.
constexpr int STEP_ENDED_EARLY = -2;
