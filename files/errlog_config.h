// The reporter's configuration: the environment, then the file "ERRLOG.TXT" in the current
// directory (docs/errorlog.md).
#pragma once

// Fills the output mode, the level and the log file name (ERRLOG_NAME_SIZE bytes) and returns
// the flags the reporter acts on.
int k_errlog_config(int* mode, int* level, char* logName);
// The fixed record appended after each report when flag 4 is set.
const char* k_errlog_fixed_record();
