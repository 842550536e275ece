// Line speeds outside the table of the termios B-constants (for example MIDI's 31250).
#pragma once

// Sets both directions of the open terminal `fd` to `baudRate` bits per second through the
// kernel's arbitrary-speed interface. Returns 0 or the errno of the failure.
int k_set_custom_speed(int fd, int baudRate);
