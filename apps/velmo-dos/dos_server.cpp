#include "dos_server.h"

#include "answer_sender.h"
#include "command_frame.h"
#include "dos_text.h"
#include "link/wire_format.h"
#include "shell.h"
#include "transfers.h"

namespace {

void runCommand(DosLine& line, DosDrive& drive, const DosCommand& command,
                const DosFaults& faults) {
    const bool get = (command.flags & COMMAND_GET) != 0;
    const bool put = (command.flags & COMMAND_PUT) != 0;
    if (get && put) {
        dos_answer_frame(line, DOS_ERROR_GET_AND_PUT);
    } else if (get) {
        dos_serve_get(line, drive, command, faults);
    } else if (put) {
        dos_serve_put(line, drive, command, faults);
    } else if (dos_answer_frame(line, 0)) {
        // COMMAND_VERIFY may be left over from the last transfer: a plain command ignores it.
        const std::vector<std::string> lines = dos_run_command(drive, command.text);
        dos_send_answer(line, lines, dos_text(drive.prompt()));
    }
}

}  // namespace

void dos_serve(DosLine& line, DosDrive& drive, const DosFaults& faults) {
    for (;;) {
        DosCommand command;
        switch (dos_receive_command(line, &command)) {
            case FrameResult::Stopped:
                return;
            case FrameResult::Refused:
            case FrameResult::Lost:
                break;
            case FrameResult::Received:
                runCommand(line, drive, command, faults);
                break;
        }
    }
}
