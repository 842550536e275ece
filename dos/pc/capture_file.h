// The file a command's output goes to before it is sent to the host. It lives where it can
// always be written, whatever drive the user has moved to: the directory TEMP or TMP names,
// else the one VELMOD was started in. It has one fixed, hidden name, so a file left by a
// machine reset in the middle of a command is found and removed at the next start.
#pragma once
#include <cstdint>

#include "dos_paths.h"

// Notes the places (call at start, in the start directory) and removes leftovers there.
void capture_places_find();

struct CaptureFile {
    char path[DOS_PATH_MAX];
    uint16_t handle;
};

// Creates the file in the first place that takes it; else the DOS error of the last place,
// with *file's path naming it.
uint16_t capture_create(CaptureFile* file);
void capture_remove(CaptureFile* file);
