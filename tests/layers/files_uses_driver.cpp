// Must not build: host files sit below the driver that runs everything.
#include "driver/driver.h"
