// Must build: the control that shows a probe fails for its include, not for its setup.
#include "base/encoding.h"
