// CD, MD and RD of the simulated machine.
#pragma once
#include "dos/sim/builtin_command.h"

void command_cd(DosDrive& drive, const CommandArgs& args, CommandOutput& out);
void command_md(DosDrive& drive, const CommandArgs& args, CommandOutput& out);
void command_rd(DosDrive& drive, const CommandArgs& args, CommandOutput& out);
