// Where the termios speed is the number of bits per second itself (the BSDs and macOS), any
// speed goes through the ordinary interface; elsewhere tcsetattr refuses what it cannot set.
#include <termios.h>

#include <cerrno>

#include "serial/custom_speed.h"

int k_set_custom_speed(int fd, int baudRate) {
    struct termios line {};
    if (tcgetattr(fd, &line) != 0) return errno;
    if (cfsetispeed(&line, speed_t(baudRate)) != 0 || cfsetospeed(&line, speed_t(baudRate)) != 0)
        return errno;
    if (tcsetattr(fd, TCSANOW, &line) != 0) return errno;
    if (tcgetattr(fd, &line) != 0) return errno;
    return cfgetospeed(&line) == speed_t(baudRate) ? 0 : EINVAL;
}
