// The program's one link context.
#pragma once

struct LinkContext;

// The first call sets every default and then reads "PRM232C.TXT" from the current directory;
// later calls return the same address at once.
LinkContext* a_ContextGet();
