// The link protocol as the driver sees it: one typed line becomes one exchange.
//
// a_CommandTo98 classifies the newest console line (plain command, screen clear, "#GET",
// "#PUT"), sends its CommandFrame through a_CommandSend, and leaves LinkContext.getMode or
// putMode set for a transfer. The driver then calls the step of the command's kind once per
// tick: a_ResponseFrom98 (text answer), a_GetResponseFrom98 (files from MS-DOS) or
// a_PutResponseFrom98 (files to MS-DOS). What a step returns is in link/step_result.h; every
// byte format is in wire/wire_format.h.
#pragma once
#include "link/command_interpreter.h"
#include "link/command_send.h"
#include "link/get_transfer.h"
#include "link/put_block.h"
#include "link/put_transfer.h"
#include "link/response_reception.h"
#include "link/step_result.h"
