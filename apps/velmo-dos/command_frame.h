// The MS-DOS side of a CommandFrame: ESC 'C' is answered ACK at once; the rest (STX, flags,
// the doubled text) is checked and answered by the caller through dos_answer_frame, so that a
// GET or PUT can refuse its name with an error code in place of the final ACK.
#pragma once
#include <cstdint>
#include <string>

#include "dos_line.h"

// Error codes of an ESC answer to a CommandFrame (see also --help).
constexpr uint8_t DOS_ERROR_FRAME = 0x01;          // no STX, odd or oversized length
constexpr uint8_t DOS_ERROR_COPIES_DIFFER = 0x02;  // the two copies of the text differ
constexpr uint8_t DOS_ERROR_TEXT = 0x03;           // the text is not valid Shift-JIS
constexpr uint8_t DOS_ERROR_GET_AND_PUT = 0x04;    // both transfer flags set
constexpr uint8_t DOS_ERROR_NO_FILE = 0x10;        // GET: nothing matches
constexpr uint8_t DOS_ERROR_PATH = 0x11;           // a name that is invalid or leaves A:

struct DosCommand {
    uint8_t flags = 0;
    std::string text;  // Shift-JIS, as sent
};

enum class FrameResult {
    Received,  // *command holds the frame; answer it with dos_answer_frame
    Refused,   // a malformed frame was answered with an error code: wait for the next one
    Lost,      // the line failed or fell silent inside the frame: wait for the next one
    Stopped,
};

// Waits (as long as it takes) for ESC 'C', then reads the frame.
FrameResult dos_receive_command(DosLine& line, DosCommand* command);
// The frame's final answer: ACK for 0, else ESC and the code. false when the line failed.
bool dos_answer_frame(DosLine& line, uint8_t errorCode);
// The name a GET or PUT frame carries, as the host's UTF-8. A name that is not Shift-JIS is
// answered with DOS_ERROR_TEXT here, and false returned.
bool dos_frame_name(DosLine& line, const DosCommand& command, std::string* name);
