// Must not build: the protocol sits below the driver that runs it.
#include "driver/driver.h"
