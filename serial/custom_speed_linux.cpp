// Kept apart from the rest of the port code: <asm/termbits.h> defines its own struct termios,
// which clashes with the C library's <termios.h>.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

#include "serial/custom_speed.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

int k_set_custom_speed(int fd, int baudRate) {
    struct termios2 line {};
    if (ioctl(fd, TCGETS2, &line) != 0) return errno;
    line.c_cflag &= ~CBAUD;
    line.c_cflag |= BOTHER;
    line.c_cflag &= ~(CBAUD << IBSHIFT);
    line.c_cflag |= BOTHER << IBSHIFT;
    line.c_ispeed = speed_t(baudRate);
    line.c_ospeed = speed_t(baudRate);
    if (ioctl(fd, TCSETS2, &line) != 0) return errno;
    // The driver may round to what its clock divides into; refuse a speed far from the asked.
    if (ioctl(fd, TCGETS2, &line) != 0) return errno;
    long actual = long(line.c_ospeed);
    long wanted = baudRate;
    if (actual <= 0 || (actual > wanted ? actual - wanted : wanted - actual) * 50 > wanted)
        return EINVAL;
    return 0;
}
