#include "answer_sender.h"

#include "core/encoding.h"
#include "dos_text.h"
#include "link/wire_format.h"

namespace {

enum class RecordResult { Taken, Cancelled, Failed };

RecordResult sendRecord(DosLine& line, bool prompt, std::string_view text) {
    uint8_t answer = 0;
    if (!line.writePair(ESC, 'R') || line.readAnswer(&answer) != LineRead::Ok || answer != ACK) {
        return RecordResult::Failed;
    }
    uint8_t record[TEXT_RECORD_MAX + 4];
    const size_t size = k_text_record(record, prompt, text.data(), text.size());
    if (!line.write(record, size) || line.readAnswer(&answer) != LineRead::Ok) {
        return RecordResult::Failed;
    }
    if (answer == ACK) return RecordResult::Taken;
    return answer == NAK ? RecordResult::Cancelled : RecordResult::Failed;
}

// A prompt too long for one record keeps its end, where the current directory's name is.
std::string fitPrompt(std::string_view prompt) {
    if (prompt.size() <= size_t(TEXT_RECORD_MAX)) return std::string(prompt);
    std::string fitted(prompt.substr(0, 3));  // the drive, "A:\"
    fitted += "...";
    const size_t keep = TEXT_RECORD_MAX - fitted.size();
    // Walk forward character by character so a double-byte character is never split.
    size_t start = 3;
    while (prompt.size() - start > keep) {
        start += k_is_lead_byte(static_cast<unsigned char>(prompt[start])) ? 2 : 1;
    }
    return fitted + std::string(prompt.substr(start));
}

}  // namespace

bool dos_send_answer(DosLine& line, const std::vector<std::string>& lines,
                     std::string_view prompt) {
    for (const std::string& text : lines) {
        // An empty record adds no console line; a blank line of a listing should stay visible.
        const std::string shown = text.empty() ? std::string(" ") : text;
        for (const std::string& piece : dos_wrap(shown, TEXT_RECORD_MAX)) {
            const RecordResult result = sendRecord(line, false, piece);
            if (result == RecordResult::Cancelled) return line.writePair(ESC, 'E');
            if (result == RecordResult::Failed) return false;
        }
    }
    if (sendRecord(line, true, fitPrompt(prompt)) == RecordResult::Failed) return false;
    return line.writePair(ESC, 'E');
}
