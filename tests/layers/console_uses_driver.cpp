// Must not build: the console sits below the driver that ticks it.
#include "driver/driver.h"
