// Must not build: the engine serves both machines behind it and knows neither.
#include "dos/pc/hardware.h"
