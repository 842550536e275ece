// The parameter file "PRM232C.TXT": port, speed, time-out, colours, caption, prompt and the
// device of each COM port.
#pragma once

struct LinkContext;

// Reads "PRM232C.TXT" from the current directory into `ctx`; silent on any failure.
void k_prm_read(LinkContext* ctx);
