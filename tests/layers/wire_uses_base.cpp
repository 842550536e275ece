// Must not build: the wire format is freestanding.
#include "base/encoding.h"
