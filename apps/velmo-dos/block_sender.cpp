#include "block_sender.h"

#include <cstring>

#include "link/wire_format.h"

namespace {

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
Answer checkEcho(DosLine& line, const uint8_t* sent) {
    uint8_t echo[BLOCK_BYTES_MAX];
    DosBlockLine blockLine(line);
    switch (k_check_echo(blockLine, sent, echo)) {
        case EchoResult::Delivered:
            return Answer::Taken;
        case EchoResult::Rejected:
            return Answer::Rejected;
        case EchoResult::Aborted:
            return Answer::Aborted;
        default:
            return Answer::Failed;
    }
}

Answer readAnswer(DosLine& line, const uint8_t* sent, bool verify) {
    uint8_t byte = 0;
    if (line.readByte(&byte) != LineRead::Ok) return Answer::Failed;
    if (verify && byte == STX) return checkEcho(line, sent);
    return plainAnswer(byte, line);
}

}  // namespace

BlockSend dos_send_block(DosLine& line, const uint8_t* block, size_t size, bool verify,
                         int corruptSends) {
    uint8_t sent[BLOCK_BYTES_MAX];
    for (int attempt = 0;; ++attempt) {
        std::memcpy(sent, block, size);
        if (corruptSends < 0 || attempt < corruptSends) {
            k_block_set_checksum(sent, k_block_checksum(sent) ^ 0xA5);
        }
        if (!line.write(sent, size)) return BlockSend::Failed;
        switch (readAnswer(line, sent, verify)) {
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
