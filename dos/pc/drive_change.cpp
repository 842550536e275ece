#include "drive_change.h"

#include "critical_errors.h"
#include "dos_calls.h"

namespace {

// Reading the drive's directory raises whatever keeps it from being used (no disk, a disk
// DOS cannot read); an empty disk only has no files.
bool readable(uint8_t drive, TextBuffer* reason) {
    char pattern[] = "?:*.*";
    pattern[0] = char('A' + drive);
    DosFindData area;
    dos_set_transfer_area(&area);
    critical_errors_forget();
    const uint16_t error = dos_find_first(pattern, ATTRIBUTE_DIRECTORY);
    if (critical_errors_describe(reason)) return false;
    if (error && error != DOS_FILE_NOT_FOUND && error != DOS_NO_MORE_FILES) {
        reason->add(dos_error_text(error));
        return false;
    }
    return true;
}

}  // namespace

bool change_drive(const char* line, uint32_t length, CommandOutput& out, TextBuffer* problem) {
    while (length && line[0] == ' ') ++line, --length;
    while (length && line[length - 1] == ' ') --length;
    if (length != 2 || line[1] != ':') return false;
    const char letter = char(line[0] & ~0x20);
    if (letter < 'A' || letter > 'Z') return false;

    const uint8_t drive = uint8_t(letter - 'A');
    const uint8_t previous = dos_current_drive();
    problem->add("VELMOD: drive ").add(letter).add(": ");
    if (dos_select_drive(drive) != drive) {
        problem->add("does not exist.");
    } else {
        TextBuffer reason;
        if (readable(drive, &reason)) {
            *problem = TextBuffer();
            return true;
        }
        dos_select_drive(previous);
        problem->add("cannot be used (").add(reason.text()).add("); still on ");
        problem->add(char('A' + previous)).add(":.");
    }
    out.line(problem->text(), problem->length());
    return true;
}
