#include "command_frame.h"

#include <cstring>

#include "core/encoding.h"
#include "link/wire_format.h"

namespace {

constexpr int QUIET_AFTER_REFUSAL_MS = 100;

// Waits for ESC 'C'; everything else between exchanges is line noise or left-overs.
LineRead waitForCommandStart(DosLine& line) {
    if (line.takeCommandStart()) return LineRead::Ok;
    uint8_t byte = 0;
    bool afterEsc = false;
    for (;;) {
        const LineRead read = line.waitByte(&byte);
        if (read != LineRead::Ok) return read;
        if (afterEsc && byte == 'C') return LineRead::Ok;
        afterEsc = byte == ESC;
    }
}

FrameResult refuse(DosLine& line, uint8_t code) {
    // Whatever else of the frame is on its way would be taken for the next command.
    line.drain(QUIET_AFTER_REFUSAL_MS);
    dos_answer_frame(line, code);
    return FrameResult::Refused;
}

}  // namespace

FrameResult dos_receive_command(DosLine& line, DosCommand* command) {
    const LineRead start = waitForCommandStart(line);
    if (start == LineRead::Stopped) return FrameResult::Stopped;
    if (!line.writeControl(ACK)) return FrameResult::Lost;

    uint8_t head[4];  // STX, flags, length
    const LineRead headRead = line.read(head, sizeof head);
    if (headRead == LineRead::Stopped) return FrameResult::Stopped;
    if (headRead != LineRead::Ok) return FrameResult::Lost;
    const size_t length = k_get16(head + 2);
    if (head[0] != STX || length % 2 != 0 || length > 2 * COMMAND_TEXT_MAX) {
        return refuse(line, DOS_ERROR_FRAME);
    }
    std::string copies(length, '\0');
    if (length > 0) {
        const LineRead textRead = line.read(copies.data(), length);
        if (textRead == LineRead::Stopped) return FrameResult::Stopped;
        if (textRead != LineRead::Ok) return FrameResult::Lost;
    }
    const size_t half = length / 2;
    if (std::memcmp(copies.data(), copies.data() + half, half) != 0) {
        dos_answer_frame(line, DOS_ERROR_COPIES_DIFFER);
        return FrameResult::Refused;
    }
    command->flags = head[1];
    command->text.assign(copies, 0, half);
    return FrameResult::Received;
}

bool dos_answer_frame(DosLine& line, uint8_t errorCode) {
    if (errorCode == 0) return line.writeControl(ACK);
    return line.writePair(ESC, errorCode);
}

bool dos_frame_name(DosLine& line, const DosCommand& command, std::string* name) {
    if (k_utf8_from_cp932(command.text, name)) return true;
    dos_answer_frame(line, DOS_ERROR_TEXT);
    return false;
}
