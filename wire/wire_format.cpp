#include "wire/wire_format.h"

namespace {

// Freestanding: no memcpy on the MS-DOS side.
void copyBytes(uint8_t* to, const char* from, size_t count) {
    for (size_t i = 0; i < count; ++i) to[i] = uint8_t(from[i]);
}

}  // namespace

uint32_t k_checksum(const uint8_t* payload, size_t length) {
    uint32_t sum = 0;
    for (size_t i = 0; i < length; ++i) sum += payload[i];
    return sum;
}

size_t k_command_frame(uint8_t* out, uint8_t flags, const char* text, size_t length) {
    out[0] = ESC;
    out[1] = 'C';
    out[2] = ACK_WAIT;
    out[3] = STX;
    out[4] = flags;
    k_put16(out + 5, uint32_t(2 * length));
    copyBytes(out + 7, text, length);
    copyBytes(out + 7 + length, text, length);
    out[7 + 2 * length] = ACK_WAIT;
    return 2 * length + 8;
}

size_t k_text_record(uint8_t* out, bool prompt, const char* text, size_t length) {
    out[0] = STX;
    out[1] = prompt ? TEXT_PROMPT : 0;
    k_put16(out + 2, uint32_t(length));
    copyBytes(out + 4, text, length);
    return length + 4;
}

size_t k_block_data(uint8_t* block, uint8_t type, uint32_t number, size_t payloadLength) {
    block[0] = STX;
    block[1] = type;
    k_put16(block + 2, uint32_t(BLOCK_LENGTH_MIN + payloadLength));
    k_block_set_number(block, number);
    k_block_set_checksum(block, k_checksum(k_block_payload(block), payloadLength));
    return payloadLength + BLOCK_PAYLOAD_OFFSET;
}

size_t k_block_header(uint8_t* block, uint16_t dosDate, uint16_t dosTime, uint32_t size,
                      const char* name, size_t nameLength) {
    block[0] = STX;
    block[1] = BLOCK_HEADER;
    k_put16(block + 2, uint32_t(BLOCK_LENGTH_MIN + nameLength));
    k_put16(block + 4, dosDate);
    k_put16(block + 6, dosTime);
    k_put32(block + 8, size);
    copyBytes(k_block_payload(block), name, nameLength);
    return nameLength + BLOCK_PAYLOAD_OFFSET;
}

bool k_block_checksum_ok(const uint8_t* block) {
    if (k_block_type(block) == BLOCK_HEADER) return true;
    if (k_block_length(block) < BLOCK_LENGTH_MIN) return false;
    return k_checksum(k_block_payload(block), k_block_payload_length(block)) ==
           k_block_checksum(block);
}
