#include "dos/engine/answer_sender.h"

#include "base/lead_byte.h"
#include "wire/wire_format.h"

namespace {

uint32_t charLength(const char* text) {
    return k_is_lead_byte(static_cast<unsigned char>(*text)) ? 2 : 1;
}

// How much of `text` fits one record without splitting a double-byte character.
uint32_t recordPiece(const char* text, uint32_t length) {
    uint32_t end = 0;
    while (end < length && end + charLength(text + end) <= uint32_t(TEXT_RECORD_MAX)) {
        end += charLength(text + end);
    }
    return end < length ? end : length;
}

constexpr char PROMPT_GAP[] = "...";
constexpr uint32_t PROMPT_DRIVE = 3;  // "A:\"

// A prompt too long for one record keeps its drive and its end, where the current directory's
// name is: "A:\...\DEEP>".
uint32_t fitPrompt(const char* prompt, uint32_t length, char* out) {
    if (length <= uint32_t(TEXT_RECORD_MAX)) {
        __builtin_memcpy(out, prompt, length);
        return length;
    }
    const uint32_t keep = TEXT_RECORD_MAX - PROMPT_DRIVE - (sizeof PROMPT_GAP - 1);
    // Walk forward character by character so a double-byte character is never split; a step
    // is at most two bytes, so the walk stops short of the end.
    uint32_t start = PROMPT_DRIVE;
    while (length - start > keep) start += charLength(prompt + start);
    __builtin_memcpy(out, prompt, PROMPT_DRIVE);
    __builtin_memcpy(out + PROMPT_DRIVE, PROMPT_GAP, sizeof PROMPT_GAP - 1);
    __builtin_memcpy(out + PROMPT_DRIVE + sizeof PROMPT_GAP - 1, prompt + start, length - start);
    return PROMPT_DRIVE + (sizeof PROMPT_GAP - 1) + (length - start);
}

}  // namespace

void AnswerSender::sendRecord(bool prompt, const char* text, uint32_t length) {
    uint8_t answer = 0;
    if (!line_.writePair(ESC, 'R') || line_.readAnswer(&answer) != LineRead::Ok || answer != ACK) {
        state_ = State::Failed;
        return;
    }
    uint8_t record[TEXT_RECORD_MAX + 4];
    const size_t size = k_text_record(record, prompt, text, length);
    if (!line_.write(record, uint32_t(size)) || line_.readAnswer(&answer) != LineRead::Ok) {
        state_ = State::Failed;
    } else if (answer != ACK) {
        state_ = answer == NAK ? State::Cancelled : State::Failed;
    }
}

bool AnswerSender::line(const char* text, uint32_t length) {
    if (length == 0) {
        text = " ";
        length = 1;
    }
    while (state_ == State::Sending && length > 0) {
        const uint32_t piece = recordPiece(text, length);
        sendRecord(false, text, piece);
        text += piece;
        length -= piece;
    }
    return state_ == State::Sending;
}

ExchangeEnd AnswerSender::finish(const char* prompt, uint32_t length) {
    if (state_ == State::Sending) {
        char fitted[TEXT_RECORD_MAX];
        sendRecord(true, fitted, fitPrompt(prompt, length, fitted));
    }
    if (state_ == State::Failed || !line_.writePair(ESC, 'E')) return ExchangeEnd::Lost;
    return state_ == State::Cancelled ? ExchangeEnd::Cancelled : ExchangeEnd::Done;
}
