// Appending records to a DOS text file that may end in the end-of-file mark 0x1A.
#pragma once
#include "files/file_layer.h"

// Appends `text` and CR LF to the log, keeping an end-of-file mark it ended in.
int k_errlog_put(const char* logName, const char* text, int length, FileControlBlock* block);
// Takes a trailing end-of-file mark off: 0 none, -1 cut, else the file layer's code.
int k_text_eofcut(const char* name);
// One line and CR LF. op as in the file layer (FILE_OPEN_ONLY only creates the file), and 3
// closes the file with the mark put back.
int k_text_lineput(int op, const char* name, const char* text, int length, FileControlBlock* block);
