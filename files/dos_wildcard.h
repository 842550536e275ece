// The DOS wildcard rules on long names, used by the host's file search: "*" takes any run of
// characters, "?" one, letters match without regard to case and a double-byte Shift-JIS
// character counts as one character. As on DOS and Windows, a run of "?" just before a dot or
// at the end may take fewer ("???.TXT" takes AB.TXT, not ABCD.TXT), and a pattern ending in ".*"
// or "." also takes a name without any dot, so "*.*" means every name and "*." the names
// without an extension. (Names of MS-DOS's own files are matched by files/dos_name_match.h.)
//
// Written freestanding (no heap, nothing of the standard library but <cstddef>), so that the
// same source builds into a real MS-DOS program. The time grows with name length times pattern
// length at most: no pattern makes it backtrack without bound.
#pragma once
#include <cstddef>

// True when the NUL-terminated Shift-JIS `name` matches the NUL-terminated `pattern`.
bool k_dos_wildcard_match(const char* pattern, const char* name);
