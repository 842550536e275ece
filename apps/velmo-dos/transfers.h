// The two file transfers as the MS-DOS side runs them, each after its CommandFrame has been
// received and before it has been answered: they answer it themselves (ACK, or ESC and an
// error code when the name is refused).
#pragma once
#include "command_frame.h"
#include "dos_drive.h"
#include "dos_line.h"
#include "dos_options.h"

// GET: the files matching the frame's name go to the Windows side.
void dos_serve_get(DosLine& line, const DosDrive& drive, const DosCommand& command,
                   const DosFaults& faults);
// PUT: files from the Windows side are stored in the current directory or under the
// frame's name (a file, or a directory when it ends in "\").
void dos_serve_put(DosLine& line, const DosDrive& drive, const DosCommand& command,
                   const DosFaults& faults);
