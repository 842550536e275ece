// DIR of the simulated machine, with /W.
#pragma once
#include "dos/sim/builtin_command.h"

void command_dir(DosDrive& drive, const CommandArgs& args, CommandOutput& out);
