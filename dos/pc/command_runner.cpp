#include "command_runner.h"

#include "dos_calls.h"
#include "dos_paths.h"

namespace {

// The command tail DOS passes holds 127 bytes with its CR; " /C " takes four of them.
constexpr uint32_t LINE_MAX = 122;
// Output lines are cut at a multiple of the host's 80 columns, so the pieces wrap as the
// whole line would.
constexpr uint32_t OUTPUT_PIECE = 240;

// Sends the captured output, line by line without CR LF. false when the host stopped it.
bool sendOutput(uint16_t file, CommandOutput& out) {
    char line[OUTPUT_PIECE];
    uint32_t length = 0;
    char chunk[512];
    uint16_t got = 0;
    dos_seek_start(file);
    while (dos_read(file, chunk, sizeof chunk, &got) == 0 && got > 0) {
        for (uint16_t i = 0; i < got; ++i) {
            const char c = chunk[i];
            if (c == '\n') {
                if (length && line[length - 1] == '\r') --length;
                if (!out.line(line, length)) return false;
                length = 0;
            } else {
                if (length == OUTPUT_PIECE) {
                    if (!out.line(line, length)) return false;
                    length = 0;
                }
                line[length++] = c;
            }
        }
    }
    if (length && line[length - 1] == '\r') --length;
    return length == 0 || out.line(line, length);
}

void report(TextBuffer* problem, CommandOutput& out) {
    out.line(problem->text(), problem->length());
}

// Runs COMSPEC with handles 1 and 2 on `file`; the DOS error of the EXEC.
uint16_t execWithOutput(const char* comspec, const char* tail, uint16_t file) {
    uint16_t savedOut = 0, savedError = 0;
    dos_duplicate(STDOUT, &savedOut);
    dos_duplicate(STDERR, &savedError);
    dos_force_duplicate(file, STDOUT);
    dos_force_duplicate(file, STDERR);

    const uint16_t segment = dos_program_segment();
    constexpr uint16_t PSP_FCB1 = 0x5C, PSP_FCB2 = 0x6C;
    DosExecBlock block{
        0,      uint16_t(reinterpret_cast<uintptr_t>(tail)), segment, PSP_FCB1, segment, PSP_FCB2,
        segment};
    const uint16_t error = dos_exec(comspec, &block);

    dos_force_duplicate(savedOut, STDOUT);
    dos_force_duplicate(savedError, STDERR);
    dos_close(savedOut);
    dos_close(savedError);
    return error;
}

}  // namespace

void run_command_line(const char* line, uint32_t length, CommandOutput& out, TextBuffer* problem) {
    char comspec[DOS_PATH_MAX];
    if (!dos_environment("COMSPEC", comspec, sizeof comspec)) {
        report(&problem->add("VELMOD: COMSPEC is not set, so no command can be run."), out);
        return;
    }
    if (length > LINE_MAX) {
        report(&problem->add("VELMOD: the command line is longer than DOS takes (")
                    .number(LINE_MAX)
                    .add(" characters)."),
               out);
        return;
    }
    // Length byte, " /C ", the line, CR.
    char tail[128];
    tail[0] = char(length + 4);
    tail[1] = ' ';
    tail[2] = '/';
    tail[3] = 'C';
    tail[4] = ' ';
    for (uint32_t i = 0; i < length; ++i) tail[5 + i] = line[i];
    tail[5 + length] = '\r';

    char temporary[DOS_PATH_MAX + 13];
    dos_current_path(temporary);
    const uint8_t drive = uint8_t(temporary[0] - 'A');
    uint16_t file = 0;
    uint16_t error = dos_create_unique(temporary, ATTRIBUTE_HIDDEN, &file);
    if (error) {
        report(&problem->add("VELMOD: no temporary file for the output on drive ")
                    .add(char('A' + drive))
                    .add(": (")
                    .add(dos_error_text(error))
                    .add(")."),
               out);
        return;
    }

    error = execWithOutput(comspec, tail, file);
    uint32_t freeBytes = 1;
    dos_free_bytes(drive, &freeBytes);
    if (error) {
        problem->add("VELMOD: ").add(comspec).add(" could not be run (").add(dos_error_text(error));
        report(&problem->add(")."), out);
    } else if (sendOutput(file, out) && freeBytes == 0) {
        // The output file filled the disk: what came back is only its beginning.
        report(&problem->add("VELMOD: drive ")
                    .add(char('A' + drive))
                    .add(": is full; the output above is cut short."),
               out);
    }
    dos_close(file);
    dos_set_attributes(temporary, 0);
    dos_delete(temporary);
}
