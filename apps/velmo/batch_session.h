// velmo --batch: the console without a window. Each line of standard input is typed into the
// line editor and entered, the driver's ticks run until the command has ended, and every
// console line is printed on standard output. Returns the exit status.
#pragma once

int velmo_batch_main();
