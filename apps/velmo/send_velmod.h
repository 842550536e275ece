// velmo --send-velmod: the typeable VELMOD over the bare cable into DOS's own COPY, for a DOS
// machine that has no other way to receive it. Says what to type on the DOS side, sends nothing
// until Enter (or the end of standard input), then the text with its progress and time left,
// and says how to start VELMOD. Ctrl+C ends COPY and says what to delete. Returns the exit
// status: 0 sent, 1 not sent, 130 cancelled.
#pragma once

int velmo_send_velmod_main();
