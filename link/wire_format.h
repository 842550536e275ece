// Every byte that crosses the line after ESC 'C', in one place, for both ends of the cable:
// velmo and the simulated MS-DOS machine build and check frames, records and blocks only here.
//
//   CommandFrame  ESC 'C' [wait ACK] STX flags len16(2n) text text [wait ACK]
//   TextRecord    STX flags(bit 0 = prompt) len16(n <= 80) text
//   LinkBlock     STX type len16(L) number32|date16 time16  checksum32|size32  payload(L-8)
//
// Multi-byte fields are little-endian. A block occupies L + 4 bytes on the line. The checksum is
// the 32-bit wrapping sum of the payload bytes; a header block carries the file size instead.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint8_t STX = 0x02;
constexpr uint8_t ACK = 0x06;
constexpr uint8_t NAK = 0x15;
constexpr uint8_t ESC = 0x1B;
constexpr uint8_t ACK_WAIT = 0xFF;  // in a CommandFrame: not sent, wait for ACK here

constexpr uint8_t COMMAND_GET = 0x80;
constexpr uint8_t COMMAND_PUT = 0x40;
constexpr uint8_t COMMAND_VERIFY = 0x10;

constexpr uint8_t BLOCK_DATA = 0x80;
constexpr uint8_t BLOCK_HEADER = 0x81;
constexpr uint8_t BLOCK_LAST = 0x82;

constexpr uint8_t TEXT_PROMPT = 0x01;  // TextRecord flag

constexpr int BLOCK_HEAD = 12;          // bytes before the payload
constexpr int BLOCK_PAYLOAD_MAX = 4096;
constexpr int BLOCK_LENGTH_MIN = 8;
constexpr int BLOCK_LENGTH_MAX = 4104;  // 8 + 4096
constexpr int BLOCK_BYTES_MAX = BLOCK_LENGTH_MAX + 4;
constexpr int TEXT_RECORD_MAX = 80;
constexpr int COMMAND_TEXT_MAX = 512;

inline void k_put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void k_put32(uint8_t* p, uint32_t v) {
    k_put16(p, v);
    k_put16(p + 2, v >> 16);
}
inline uint16_t k_get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t k_get32(const uint8_t* p) { return k_get16(p) | uint32_t(k_get16(p + 2)) << 16; }

uint32_t k_checksum(const uint8_t* payload, size_t length);

// A CommandFrame with its two ACK_WAIT markers into `out` (2n + 8 bytes); returns its size.
size_t k_command_frame(uint8_t* out, uint8_t flags, const char* text, size_t length);

// A TextRecord into `out` (n + 4 bytes); returns its size. `length` must be <= 80.
size_t k_text_record(uint8_t* out, bool prompt, const char* text, size_t length);

// Completes the head of a data or last block whose payload is already at block + 12:
// STX, type, L = 8 + payloadLength, number, checksum. Returns the bytes on the line (L + 4).
size_t k_block_data(uint8_t* block, uint8_t type, uint32_t number, size_t payloadLength);

// A header block: STX, 0x81, L = 8 + nameLength, MS-DOS date and time, size, the name.
size_t k_block_header(uint8_t* block, uint16_t dosDate, uint16_t dosTime, uint32_t size,
                      const char* name, size_t nameLength);

// The length field L as the receiving side reads it: signed 16-bit.
inline int k_block_length(const uint8_t* block) { return int16_t(k_get16(block + 2)); }

// True when a data or last block's checksum matches its payload (header blocks always pass).
bool k_block_checksum_ok(const uint8_t* block);

// MS-DOS (FAT) date and time.
inline uint16_t k_dos_date(int year, int month, int day) {
    return uint16_t((year - 1980) * 512 + month * 32 + day);
}
inline uint16_t k_dos_time(int hour, int minute, int second) {
    return uint16_t(hour * 2048 + minute * 32 + second / 2);
}
