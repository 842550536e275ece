// Where a received file may be written, and how it is put in place.
//
// The other machine chooses the names a "#GET" writes, so the destination is checked before
// anything is opened: only a writable regular file or a new name, never through a symbolic
// link, never a file this process has open (its script, its output, its error log). The file
// is written under a temporary name in the destination's folder and renamed over the
// destination only when it is complete, so a failed transfer leaves an existing file as it
// was. If the process is ended by SIGTERM or SIGHUP meanwhile, the temporary is removed.
// All names are Shift-JIS, as everywhere in the file layer.
#pragma once
#include <cstddef>

// nullptr when `localName` may be written, else the reason for the console. *exists tells
// whether a regular file is there now.
const char* k_received_file_check(const char* localName, bool* exists);

// The temporary name for `localName` in the same folder; false when it does not fit.
bool k_received_file_temporary(const char* localName, char* tempName, size_t size);

// Marks `tempName` for removal should the process be ended by a signal before it is settled.
void k_received_file_pending(const char* tempName);

// Renames the complete temporary over `localName`; 0 or the Windows-style error.
int k_received_file_commit(const char* tempName, const char* localName);

// Removes the temporary of a failed transfer.
void k_received_file_discard(const char* tempName);

// True when `localName` is one of the program's own settings files (PRM232C.TXT, ERRLOG.TXT,
// the error log) in the folder it reads them from.
bool k_received_file_is_setting(const char* localName);
