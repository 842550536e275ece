// TYPE, DEL, REN and COPY of the simulated machine.
#pragma once
#include "dos/sim/builtin_command.h"

void command_type(DosDrive& drive, const CommandArgs& args, CommandOutput& out);
void command_del(DosDrive& drive, const CommandArgs& args, CommandOutput& out);
void command_ren(DosDrive& drive, const CommandArgs& args, CommandOutput& out);
void command_copy(DosDrive& drive, const CommandArgs& args, CommandOutput& out);
