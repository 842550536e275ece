// Names of transferred files. A name from the MS-DOS side is only ever a file name here: its
// directories and drive are dropped, so a header can never place a file outside the
// destination the user typed. Local paths use "/"; MS-DOS names use "\" and ":".
#pragma once
#include <cstddef>

// Offset of the last byte of text[0, length) that is one of `separators` and not the second
// byte of a Shift-JIS double-byte character; -1 when there is none.
int k_last_separator(const char* text, size_t length, const char* separators);

// The local path a received file is written to: `destination` when it names a file; the
// header's name (its last component only) in the current directory when `destination` is
// empty, or appended to `destination` when that ends in "/" or "\" (as the usage text writes a
// directory; the "\" becomes "/"). Returns nullptr with the path in
// `localName` (localSize bytes), or the reason why the name was refused: nothing left of it,
// "." or "..", or a path too long for localName.
const char* k_received_local_name(const char* destination, const char* dosName, size_t dosLength,
                                  char* localName, size_t localSize);

// Whether a GET's request, a name without wildcards, turns out to name a directory of the
// MS-DOS side: its first header (`dosName`) does not answer it, so the far end sends the files
// of that directory ("#GET DOC").
bool k_request_names_directory(const char* requested, const char* dosName, size_t dosLength);

// Why a header's name is not taken although it is a file name, or nullptr: the other machine
// may only send what was asked for. Its last component must answer the last component of
// `requested` (the MS-DOS name the user gave, wildcards allowed) as MS-DOS matches names
// (files/dos_name_match.h); any name will do when `directory` is set or the request is empty
// or ends in "\" or ":". It must not begin with "." and must not hold a character no MS-DOS
// name can (control characters, DEL, and " * + , ; < = > ? [ ] |).
// *byWildcard tells whether the request named more than one file.
const char* k_received_name_refusal(const char* requested, bool directory, const char* dosName,
                                    size_t dosLength, bool* byWildcard);

// Why a local file cannot be sent under its name, or nullptr: the name must be one MS-DOS
// name component ("\", ":", wildcards, control characters, DEL and " < > | are refused).
const char* k_sent_name_refusal(const char* baseName);

// The name a sent file carries in its header: what follows the last "/" of the local path.
const char* k_sent_base_name(const char* localName);
