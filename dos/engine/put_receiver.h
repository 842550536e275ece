// "#PUT" as the MS-DOS side runs it: the files velmo sends, block by block.
#pragma once

class ExchangeLine;
class EngineMachine;
struct DosCommand;
struct Exchange;

// After its CommandFrame has been received: refuses it with the machine's error code for the
// name, or accepts it and takes header and data blocks from velmo until its ESC 'E', each
// checked, echoed when the frame asks for verification, and stored only once it is accepted.
void dos_serve_put(ExchangeLine& line, EngineMachine& machine, const DosCommand& command,
                   Exchange* exchange);
