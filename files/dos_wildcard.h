// The DOS wildcard rules, used by the host's file search and by the simulated MS-DOS machine:
// "*" takes any run of characters, "?" exactly one, letters match without regard to case and a
// double-byte Shift-JIS character counts as one character. As on DOS, a pattern ending in ".*"
// or "." also takes a name without any dot, so "*.*" means every name and "*." the names
// without an extension.
//
// Written freestanding (no heap, nothing of the standard library but <cstddef>), so that the
// same source builds into a real MS-DOS program. The time grows with name length times pattern
// length at most: no pattern makes it backtrack without bound.
#pragma once
#include <cstddef>

// True when the NUL-terminated Shift-JIS `name` matches the NUL-terminated `pattern`.
bool k_dos_wildcard_match(const char* pattern, const char* name);
