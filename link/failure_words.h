// What a failed command means, in words, for the line under its error code: the code says
// where it broke, these say what the user can do about it. The link functions put them into
// LinkContext.failureWords; the driver shows them and clears them for each command.
#pragma once
#include <cstdint>

// The MS-DOS side's answer code to a command frame (the byte after its ESC).
const char* k_refusal_words(uint8_t code);

// The MS-DOS side ended a PUT by answering a block with ESC 'E'.
extern const char* const PUT_ENDED_BY_DOS_WORDS;
// A GET copied every file but those whose names were refused.
extern const char* const FILES_REFUSED_WORDS;
