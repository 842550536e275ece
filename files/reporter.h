// The fatal-error reporter and its error log.
//
// Every failing link function hands its failure here with a kind, its own name and three
// values. Without configuration nothing happens: diagnostics are switched on from outside,
// through the environment or a file "ERRLOG.TXT" in the current directory (docs/errorlog.md).
// A report then goes to the log file (default "ERR.LOG"), a message box, or both.
#pragma once
#include "base/clock.h"

// Shows one report; the window program installs a QMessageBox, otherwise standard error.
// Both texts are Shift-JIS.
using MessageBoxHook = void (*)(const char* title, const char* text);
void k_set_message_box(MessageBoxHook hook);

constexpr int ERRLOG_NAME_SIZE = 128;  // log file name buffer: up to 127 characters and NUL
constexpr int ERRLOG_DATE_SIZE = DATETIME_TEXT_SIZE;

int k_fatal_error(int kind, const char* name, int first, int second, int third);
// dateText: ERRLOG_DATE_SIZE bytes; logName: ERRLOG_NAME_SIZE bytes.
int k_errlog_check(int kind, char* dateText, char* logName);

// Forgets the loaded configuration and the report count (tests start each case afresh).
void k_errlog_reset();
