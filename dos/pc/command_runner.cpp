#include "command_runner.h"

#include "capture_file.h"
#include "critical_errors.h"
#include "dos_calls.h"
#include "dos_paths.h"
#include "drive_change.h"
#include "single_floppy.h"

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

// What the output alone does not tell: a critical error VELMOD answered, or an output cut short.
void reportAfterOutput(uint8_t drive, uint32_t freeBytes, CommandOutput& out, TextBuffer* problem) {
    if (critical_error.count) {
        problem->add("VELMOD: ");
        critical_errors_describe(problem);
        if (critical_error.count > 1) problem->add(", and more");
        report(&problem->add(" (answered ").add(critical_errors_answer()).add(")."), out);
    } else if (freeBytes == 0) {
        // The output file filled the disk: what came back is only its beginning.
        report(&problem->add("VELMOD: drive ")
                    .add(char('A' + drive))
                    .add(": is full; the output above is cut short."),
               out);
    }
}

}  // namespace

void run_command_line(const char* line, uint32_t length, CommandOutput& out, TextBuffer* problem) {
    if (const int drive = swap_drive_in(line, length); drive >= 0) {
        describe_swap_drive(uint8_t(drive), problem);
        report(problem, out);
        return;
    }
    if (change_drive(line, length, out, problem)) return;
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

    critical_errors_forget();
    CaptureFile capture;
    uint16_t error = capture_create(&capture);
    if (error) {
        problem->add("VELMOD: no file for the command's output can be made in ")
            .add(capture.path)
            .add(" (");
        if (!critical_errors_describe(problem)) problem->add(dos_error_text(error));
        report(&problem->add("): set TEMP to a directory on a disk that can be written."), out);
        return;
    }

    {
        CriticalErrorGuard guard;
        error = execWithOutput(comspec, tail, capture.handle);
    }
    const uint8_t drive = uint8_t((capture.path[0] & ~0x20) - 'A');
    uint32_t freeBytes = 1;
    dos_free_bytes(drive, &freeBytes);
    if (error) {
        problem->add("VELMOD: ").add(comspec).add(" could not be run (").add(dos_error_text(error));
        report(&problem->add(")."), out);
    } else if (sendOutput(capture.handle, out)) {
        reportAfterOutput(drive, freeBytes, out, problem);
    }
    capture_remove(&capture);
}
