// How MS-DOS itself decides that a directory entry answers a name or wildcard: both are brought
// to the 11 bytes of a directory entry (8 for the name, 3 for the extension, blank-padded), and
// compared byte by byte. So a name longer than 8.3 is cut ("LONGFILENAME.TXT" asks for
// LONGFILE.TXT), "*" fills the rest of its part with "?" (what follows it in that part is
// dropped: "A*B.TXT" is "A*.TXT"), and "?" also matches a blank ("???.TXT" takes AB.TXT).
// ASCII letters match without regard to case; a double-byte Shift-JIS character is never cut
// in two, and its second byte is never folded.
//
// The GET name check, velmo-dos's file search and MS-DOS's own search thereby agree. Written
// freestanding (no heap, nothing of the standard library), so that a real MS-DOS program can
// build the same source.
#pragma once

// True when the NUL-terminated Shift-JIS `name` answers the NUL-terminated `pattern`; both are
// one path component.
bool k_dos_name_match(const char* pattern, const char* name);
