// MS-DOS (FAT) time stamps of local files: read for the header of a file sent, set on a file
// received.
#pragma once
#include <cstdint>

// 0, or the stage of the failure << 16 | the file layer's result (reported with kind 9).
int k_dos_ftimeGet(const char* name, uint16_t* dosDate, uint16_t* dosTime);
int k_dos_ftimeSet(const char* name, uint16_t dosDate, uint16_t dosTime);
