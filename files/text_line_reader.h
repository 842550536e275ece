// Reading a DOS text file line by line, for the small settings files.
#pragma once
#include "files/file_layer.h"

// One line of a DOS text file (CR LF ends a line, 0x1A at the start of a line ends the file).
int k_text_lineget(int op, const char* name, char* line, int size, int* length,
                   FileControlBlock* block);
