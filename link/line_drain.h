// What a far end still sends after a cancel, taken off the line.
#pragma once

struct LinkContext;

// After a wait cut short by a cancel, the far end may still be sending the block under way:
// takes what arrives until the line has been quiet for 200 ms (at most 16 KiB), so that the
// next command's answer is not read from its tail.
void k_link_drain_after_cut(LinkContext* ctx);
