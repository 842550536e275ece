// Must not build: the MS-DOS side's engine shares the wire format with the host, not its
// protocol code.
#include "link/link.h"
