#include "block_sender.h"

#include <cstring>

#include "link/wire_format.h"

namespace {

constexpr int QUIET_AFTER_BAD_ECHO_MS = 100;

enum class Answer { Taken, Rejected, Aborted, Failed };

// After ESC: 'E' is the Windows side giving up; anything else breaks the exchange.
Answer afterEsc(DosLine& line) {
    uint8_t letter = 0;
    if (line.readEscapeLetter(&letter) != LineRead::Ok) return Answer::Failed;
    return letter == 'E' ? Answer::Aborted : Answer::Failed;
}

Answer plainAnswer(uint8_t byte, DosLine& line) {
    if (byte == ACK) return Answer::Taken;
    if (byte == ESC) return afterEsc(line);
    return Answer::Rejected;  // NAK, or anything the Windows side would not send
}

// The Windows side echoed the block: compare, give the verdict, then take its final word.
Answer checkEcho(DosLine& line, const uint8_t* sent, size_t size) {
    uint8_t echo[BLOCK_BYTES_MAX];
    echo[0] = STX;
    if (line.read(echo + 1, 3) != LineRead::Ok) return Answer::Failed;
    const int length = k_block_length(echo);
    bool same = false;
    if (length >= BLOCK_LENGTH_MIN && length <= BLOCK_LENGTH_MAX) {
        if (line.read(echo + 4, size_t(length)) != LineRead::Ok) return Answer::Failed;
        same = size_t(length) + 4 == size && std::memcmp(echo, sent, size) == 0;
    } else {
        line.drain(QUIET_AFTER_BAD_ECHO_MS);  // no telling where such an echo ends
    }
    uint8_t finalWord = 0;
    if (!line.writeControl(same ? ACK : NAK) || line.readByte(&finalWord) != LineRead::Ok) {
        return Answer::Failed;
    }
    return plainAnswer(finalWord, line);
}

Answer readAnswer(DosLine& line, const uint8_t* sent, size_t size, bool verify) {
    uint8_t byte = 0;
    if (line.readByte(&byte) != LineRead::Ok) return Answer::Failed;
    if (verify && byte == STX) return checkEcho(line, sent, size);
    return plainAnswer(byte, line);
}

}  // namespace

BlockSend dos_send_block(DosLine& line, const uint8_t* block, size_t size, bool verify,
                         int corruptSends) {
    uint8_t sent[BLOCK_BYTES_MAX];
    for (int attempt = 0;; ++attempt) {
        std::memcpy(sent, block, size);
        if (corruptSends < 0 || attempt < corruptSends) sent[8] ^= 0xA5;  // the checksum's low byte
        if (!line.write(sent, size)) return BlockSend::Failed;
        switch (readAnswer(line, sent, size, verify)) {
            case Answer::Taken:
                return BlockSend::Delivered;
            case Answer::Aborted:
                return BlockSend::Aborted;
            case Answer::Failed:
                return BlockSend::Failed;
            case Answer::Rejected:
                break;
        }
    }
}
