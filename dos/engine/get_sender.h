// "#GET" as the MS-DOS side runs it: the files that match the request, block by block.
#pragma once

class ExchangeLine;
class EngineMachine;
struct DosCommand;
struct Exchange;

// After its CommandFrame has been received: refuses it with the machine's error code for the
// name, or accepts it and sends ESC 'R', then per file a header block and data blocks numbered
// from 1, the last of type BLOCK_LAST (empty when the size is a multiple of the block size),
// then ESC 'E'.
void dos_serve_get(ExchangeLine& line, EngineMachine& machine, const DosCommand& command,
                   Exchange* exchange);
