#include "dos/engine/block_sender.h"

#include "link/wire_format.h"

namespace {

constexpr uint32_t QUIET_AFTER_BAD_ECHO_MS = 100;
constexpr uint32_t ECHO_PIECE = 256;  // the echo is compared as it arrives, not stored whole
constexpr uint8_t DAMAGE = 0xA5;      // flips bits of the checksum's low byte

enum class Answer { Taken, Rejected, Aborted, Failed };

// After ESC: 'E' is the Windows side giving up; anything else breaks the exchange.
Answer afterEsc(ExchangeLine& line) {
    uint8_t letter = 0;
    if (line.readEscapeLetter(&letter) != LineRead::Ok) return Answer::Failed;
    return letter == 'E' ? Answer::Aborted : Answer::Failed;
}

Answer plainAnswer(uint8_t byte, ExchangeLine& line) {
    if (byte == ACK) return Answer::Taken;
    if (byte == ESC) return afterEsc(line);
    return Answer::Rejected;  // NAK, or anything the Windows side would not send
}

// Reads the rest of an echo whose STX has arrived; true when it equals the `size` bytes sent.
// An echo of another length never matches, as the length field is part of the comparison.
bool readEcho(ExchangeLine& line, const uint8_t* sent, uint32_t size, LineRead* read) {
    uint8_t head[4] = {STX};
    *read = line.read(head + 1, 3);
    if (*read != LineRead::Ok) return false;
    const int length = k_block_length(head);
    if (length < BLOCK_LENGTH_MIN || length > BLOCK_LENGTH_MAX) {
        line.drain(QUIET_AFTER_BAD_ECHO_MS);  // no telling where such an echo ends
        return false;
    }
    bool same = uint32_t(length) + 4 == size && __builtin_memcmp(head, sent, 4) == 0;
    uint8_t piece[ECHO_PIECE];
    for (uint32_t done = 0; done < uint32_t(length);) {
        const uint32_t count =
            uint32_t(length) - done < ECHO_PIECE ? uint32_t(length) - done : ECHO_PIECE;
        *read = line.read(piece, count);
        if (*read != LineRead::Ok) return false;
        same = same && __builtin_memcmp(piece, sent + 4 + done, count) == 0;
        done += count;
    }
    return same;
}

// The Windows side echoed the block: compare, give the verdict, then take its final word.
Answer checkEcho(ExchangeLine& line, const uint8_t* sent, uint32_t size) {
    LineRead read = LineRead::Ok;
    const bool same = readEcho(line, sent, size, &read);
    uint8_t finalWord = 0;
    if (read != LineRead::Ok || !line.writeControl(same ? ACK : NAK) ||
        line.readByte(&finalWord) != LineRead::Ok) {
        return Answer::Failed;
    }
    return plainAnswer(finalWord, line);
}

Answer readAnswer(ExchangeLine& line, const uint8_t* sent, uint32_t size, bool verify) {
    uint8_t byte = 0;
    if (line.readByte(&byte) != LineRead::Ok) return Answer::Failed;
    if (verify && byte == STX) return checkEcho(line, sent, size);
    return plainAnswer(byte, line);
}

}  // namespace

BlockSend dos_send_block(ExchangeLine& line, EngineMachine& machine, uint8_t* block, uint32_t size,
                         bool verify) {
    const bool data = block[1] != BLOCK_HEADER;
    for (uint32_t attempt = 0;; ++attempt) {
        // A damaged send is damaged on the line only: the next attempt starts from the block.
        const bool damaged = data && machine.damageBlock(k_get32(block + 4), attempt);
        if (damaged) block[8] ^= DAMAGE;
        const bool written = line.write(block, size);
        const Answer answer = written ? readAnswer(line, block, size, verify) : Answer::Failed;
        if (damaged) block[8] ^= DAMAGE;
        switch (answer) {
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
