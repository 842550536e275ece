// Every byte that crosses the line after ESC 'C', in one place, for both ends of the cable:
// velmo and the simulated MS-DOS machine build and check frames, records and blocks only here.
//
//   CommandFrame  ESC 'C' [wait ACK] STX flags len16(2n) text text [wait ACK]
//   TextRecord    STX flags(bit 0 = prompt) len16(n <= 80) text
//   LinkBlock     STX type len16(L) number32|date16 time16  checksum32|size32  payload(L-8)
//
// Multi-byte fields are little-endian. A block occupies L + 4 bytes on the line. The checksum is
// the 32-bit wrapping sum of the payload bytes; a header block carries the file size instead.
//
// Besides the frames, this module holds the two rules both ends apply to every block: the
// repeat rule (a copy sent again because our ACK arrived damaged is acknowledged, not stored
// twice) and the verification exchange (echo, verdict, final word), each written once as a
// template over the line it runs on.
//
// Freestanding on purpose: no heap, no exceptions, no library beyond <cstdint>, <cstddef>,
// <type_traits> and <array>, so that the MS-DOS companion (g++ -m16) compiles it unchanged.
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

// Error codes of an ESC answer to a CommandFrame: the frame's own, then the MS-DOS machine's.
constexpr uint8_t DOS_ERROR_FRAME = 0x01;          // no STX, odd or oversized length
constexpr uint8_t DOS_ERROR_COPIES_DIFFER = 0x02;  // the two copies of the text differ
constexpr uint8_t DOS_ERROR_TEXT = 0x03;           // the text is not valid Shift-JIS
constexpr uint8_t DOS_ERROR_GET_AND_PUT = 0x04;    // both transfer flags set
constexpr uint8_t DOS_ERROR_NO_FILE = 0x10;        // GET: nothing matches
constexpr uint8_t DOS_ERROR_PATH = 0x11;           // a name that is invalid or leaves the drive

constexpr int BLOCK_PAYLOAD_MAX = 4096;
constexpr int BLOCK_LENGTH_MIN = 8;
constexpr int BLOCK_LENGTH_MAX = 4104;  // 8 + 4096
constexpr int BLOCK_BYTES_MAX = BLOCK_LENGTH_MAX + 4;
constexpr int TEXT_RECORD_MAX = 80;
constexpr int COMMAND_TEXT_MAX = 512;
// Repeats of one block before either end gives up: the sender sends a block at most this many
// times more after the first, and the receiver rejects it at most this many times more.
constexpr int BLOCK_REPEATS_MAX = 5;

inline void k_put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void k_put32(uint8_t* p, uint32_t v) {
    k_put16(p, v);
    k_put16(p + 2, v >> 16);
}
inline uint16_t k_get16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t k_get32(const uint8_t* p) {
    return k_get16(p) | uint32_t(k_get16(p + 2)) << 16;
}

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

// The fields of a block, by name. Offsets into a block appear nowhere else.
constexpr int BLOCK_TYPE_AND_LENGTH = 3;  // what a receiver reads after the STX
constexpr int BLOCK_COUNTED_OFFSET = 4;   // the L bytes the length field counts start here
constexpr int BLOCK_PAYLOAD_OFFSET = 12;  // after number|date time and checksum|size

// Where the type and length go when the STX has been read on its own.
inline uint8_t* k_block_after_stx(uint8_t* block) {
    return block + 1;
}

// The length field L as the receiving side reads it: signed 16-bit.
inline int k_block_length(const uint8_t* block) {
    return int16_t(k_get16(block + 2));
}
inline uint8_t k_block_type(const uint8_t* block) {
    return block[1];
}
// Bytes the block occupies on the line (L + 4); only for a length already checked.
inline size_t k_block_size(const uint8_t* block) {
    return size_t(k_block_length(block)) + 4;
}
// Data and last blocks.
inline uint32_t k_block_number(const uint8_t* block) {
    return k_get32(block + 4);
}
inline void k_block_set_number(uint8_t* block, uint32_t number) {
    k_put32(block + 4, number);
}
inline uint32_t k_block_checksum(const uint8_t* block) {
    return k_get32(block + 8);
}
inline void k_block_set_checksum(uint8_t* block, uint32_t sum) {
    k_put32(block + 8, sum);
}
inline uint8_t* k_block_payload(uint8_t* block) {
    return block + BLOCK_PAYLOAD_OFFSET;
}
inline const uint8_t* k_block_payload(const uint8_t* block) {
    return block + BLOCK_PAYLOAD_OFFSET;
}
// L - 8 for a length already checked (0 below 8).
inline size_t k_block_payload_length(const uint8_t* block) {
    const int length = k_block_length(block);
    return length > BLOCK_LENGTH_MIN ? size_t(length - BLOCK_LENGTH_MIN) : 0;
}
// Header blocks: the file's MS-DOS date and time, its size, and its name (the payload).
inline uint16_t k_header_date(const uint8_t* block) {
    return k_get16(block + 4);
}
inline uint16_t k_header_time(const uint8_t* block) {
    return k_get16(block + 6);
}
inline uint32_t k_header_size(const uint8_t* block) {
    return k_get32(block + 8);
}

// True when a data or last block's checksum matches its payload (header blocks always pass).
bool k_block_checksum_ok(const uint8_t* block);

// MS-DOS (FAT) date and time.
inline uint16_t k_dos_date(int year, int month, int day) {
    return uint16_t((year - 1980) * 512 + month * 32 + day);
}
inline uint16_t k_dos_time(int hour, int minute, int second) {
    return uint16_t(hour * 2048 + minute * 32 + second / 2);
}

// ---- The repeat rule ----------------------------------------------------------------------
// A receiver that ACKs a block and sees the same block again knows its ACK arrived damaged and
// the sender repeated the block: it ACKs the copy without storing it. "The same" is type,
// number, length, checksum and payload sum of the block stored last (a header counts: its
// date and time stand for the number, its size for the checksum); anything else is stored, so
// a wrong guess can only show as a file of the wrong size, which the receiver then reports.
struct BlockMemory {
    uint8_t type;  // 0: nothing stored yet
    uint32_t number;
    int length;
    uint32_t checksum;
    uint32_t payloadSum;
};

inline void k_block_forget(BlockMemory* memory) {
    *memory = BlockMemory{0, 0, 0, 0, 0};
}

// Call for every block stored (a header when its file was opened).
inline void k_block_remember(BlockMemory* memory, const uint8_t* block) {
    *memory = BlockMemory{k_block_type(block), k_block_number(block), k_block_length(block),
                          k_block_checksum(block),
                          k_checksum(k_block_payload(block), k_block_payload_length(block))};
}

inline bool k_block_repeats(const BlockMemory& memory, const uint8_t* block) {
    return memory.type != 0 && k_block_type(block) == memory.type &&
           k_block_number(block) == memory.number && k_block_length(block) == memory.length &&
           k_block_checksum(block) == memory.checksum &&
           k_checksum(k_block_payload(block), k_block_payload_length(block)) == memory.payloadSum;
}

// ---- The verification exchange ------------------------------------------------------------
// With COMMAND_VERIFY the receiver of a block sends it back (the echo), the sender compares
// and gives its verdict (ACK or NAK), and the receiver answers with its final word: ACK when
// it stored the block, NAK when it takes another copy. Both ends run both roles (velmo echoes
// in a GET and compares in a PUT, the MS-DOS side the other way round), so both roles are
// written here once, over a line type that offers:
//
//   bool receive(uint8_t* bytes, size_t count);    // all of them within the time-out
//   bool receiveLetter(uint8_t* letter);           // the byte after an ESC
//   bool send(const uint8_t* bytes, size_t count);
//   void skipUnframed();                           // after an echo whose length is unusable
//   static constexpr bool LONG_ECHO_ENDS;          // an echo longer than 4104 ends the exchange

// The receiver's side: what the sender said about our echo.
enum class EchoVerdict : uint8_t {
    Confirmed,    // ACK: store the block, then send the final word ACK
    Refused,      // NAK: count a rejection, then send the final word NAK
    Ended,        // ESC and one more byte: the sender gave up
    Unexpected,   // any other byte (velmo ends the transfer, the MS-DOS side rejects)
    EchoNotSent,  // the line failed while sending the echo
    VerdictLost,  // no verdict within the time-out
};

template <class Line>
EchoVerdict k_echo_block(Line& line, const uint8_t* block) {
    if (!line.send(block, k_block_size(block))) return EchoVerdict::EchoNotSent;
    uint8_t verdict[2] = {0, 0};
    if (!line.receive(verdict, 1)) return EchoVerdict::VerdictLost;
    if (verdict[0] == ACK) return EchoVerdict::Confirmed;
    if (verdict[0] == NAK) return EchoVerdict::Refused;
    if (verdict[0] != ESC) return EchoVerdict::Unexpected;
    line.receiveLetter(verdict + 1);  // the letter does not matter: the exchange is over
    return EchoVerdict::Ended;
}

// The sender's side, from the STX of the echo on (already read into echo[0]).
enum class EchoResult : uint8_t {
    Delivered,  // the echo matched and the receiver's final word was ACK
    Rejected,   // a mismatch, or any final word but ACK and ESC: send the block again
    Aborted,    // the final word was ESC and one more byte
    HeadLost,   // the echo's type and length did not arrive
    TooLong,    // the echo's length is above 4104 (only where LONG_ECHO_ENDS)
    BodyLost,   // the rest of the echo did not arrive
    VerdictNotSent,
    WordLost,  // no final word within the time-out
};

template <class Line>
EchoResult k_check_echo(Line& line, const uint8_t* sent, uint8_t* echo) {
    echo[0] = STX;
    if (!line.receive(k_block_after_stx(echo), BLOCK_TYPE_AND_LENGTH)) return EchoResult::HeadLost;
    const int length = k_block_length(echo);
    if (length > BLOCK_LENGTH_MAX && Line::LONG_ECHO_ENDS) return EchoResult::TooLong;
    bool same = false;
    if (length >= BLOCK_LENGTH_MIN && length <= BLOCK_LENGTH_MAX) {
        if (!line.receive(echo + BLOCK_COUNTED_OFFSET, size_t(length))) return EchoResult::BodyLost;
        // The length field is compared too: an echo of another length never matches.
        same = true;
        for (size_t i = 0; i < size_t(length) + 4 && same; ++i) same = echo[i] == sent[i];
    } else {
        line.skipUnframed();  // no telling where such an echo ends
    }
    const uint8_t verdict = same ? ACK : NAK;
    if (!line.send(&verdict, 1)) return EchoResult::VerdictNotSent;
    uint8_t word[2] = {0, 0};
    if (!line.receive(word, 1)) return EchoResult::WordLost;
    if (word[0] == ACK) return EchoResult::Delivered;  // the receiver's word decides
    if (word[0] != ESC) return EchoResult::Rejected;
    line.receiveLetter(word + 1);  // the letter does not matter: the exchange is over
    return EchoResult::Aborted;
}
