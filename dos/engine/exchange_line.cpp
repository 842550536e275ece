#include "dos/engine/exchange_line.h"

#include "wire/wire_format.h"

LineRead ExchangeLine::readEscapeLetter(uint8_t* letter) {
    const LineRead result = readByte(letter);
    if (result == LineRead::Ok && *letter == 'C') commandStarted_ = true;
    return result;
}

LineRead ExchangeLine::readAnswer(uint8_t* byte) {
    const LineRead result = readByte(byte);
    if (result != LineRead::Ok || *byte != ESC) return result;
    uint8_t letter = 0;
    return readEscapeLetter(&letter);
}

LineRead ExchangeLine::awaitCommandStart() {
    if (commandStarted_) {
        commandStarted_ = false;
        return LineRead::Ok;
    }
    uint8_t byte = 0;
    bool afterEsc = false;
    for (;;) {
        if (line_.awaitByte(&byte) != LineRead::Ok) return LineRead::Stopped;
        if (afterEsc && byte == 'C') return LineRead::Ok;
        afterEsc = byte == ESC;
    }
}

void ExchangeLine::drain(uint32_t quietMs) {
    uint8_t scrap = 0;
    while (line_.read(&scrap, 1, quietMs) == LineRead::Ok) {
    }
}

bool ExchangeLine::writePair(uint8_t first, uint8_t second) {
    const uint8_t pair[2] = {first, second};
    return write(pair, 2);
}
