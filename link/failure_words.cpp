#include "link/failure_words.h"

#include "wire/wire_format.h"

const char* const PUT_ENDED_BY_DOS_WORDS =
    "MS-DOS ended the transfer: its disk may be full or write-protected, or the file could not "
    "be made there";
const char* const FILES_REFUSED_WORDS =
    "Files were refused (named above); every other file was copied";

const char* k_refusal_words(uint8_t code) {
    switch (code) {
        case DOS_ERROR_NO_FILE:
            return "MS-DOS has no such file or directory: check the name with DIR";
        case DOS_ERROR_PATH:
            return "MS-DOS refused the name or path as invalid (drive, directory or character)";
        case DOS_ERROR_TEXT:
            return "MS-DOS could not read the name as Shift-JIS";
        case DOS_ERROR_FRAME:
        case DOS_ERROR_COPIES_DIFFER:
            return "The command reached MS-DOS damaged: try again, or check the line settings";
        case DOS_ERROR_GET_AND_PUT:
            return "MS-DOS refused a command that was both GET and PUT";
        default:
            return "MS-DOS refused the command with a code velmo does not know";
    }
}
