// The reporter's message box in the window program: a warning box titled as the reporter asks.
#pragma once

void install_fatal_error_box();
