// The DOS text-line reader over k_file_rw. It keeps no buffer between calls: the end of a line
// is found by scanning a few positioned reads of a small chunk, then the line is fetched with
// one positioned read. It serves only small settings files.
#include "files/text_line_reader.h"

#include <algorithm>

namespace {

constexpr unsigned char CR = 0x0D;
constexpr unsigned char LF = 0x0A;
constexpr unsigned char EOF_MARK = 0x1A;

int endOfFile(const char* name, char* line, int* length, FileControlBlock* block) {
    block->position = block->size;
    k_file_rw(FILE_CLOSE, 0, name, nullptr, 0, 0, nullptr, block);
    line[0] = '\0';
    *length = 0;
    return -1;
}

}  // namespace

int k_text_lineget(int op, const char* name, char* line, int size, int* length,
                   FileControlBlock* block) {
    if (op < FILE_OPEN_ONLY || op > FILE_CLOSE) return 0x1000000 | (op & 0xFFFF);
    if (size < 2) return 0x1200000 | (size & 0xFFFF);
    if (op == FILE_CLOSE) {
        const int rc = k_file_rw(FILE_CLOSE, 0, name, nullptr, 0, 0, nullptr, block);
        if (rc != 0) return rc;
        *length = 0;
        return 0;
    }
    if (op == FILE_OPEN_ONLY || op == FILE_OPEN) {
        const int rc = k_file_rw(FILE_OPEN_ONLY, 0, name, nullptr, 0, 0, nullptr, block);
        if (rc != 0) return rc;
        block->position = 0;
        if (op == FILE_OPEN_ONLY) return 0;
    }
    if (block->state != FCB_OPEN) return 0x4000001;

    const auto limit = static_cast<uint32_t>(size - 1);
    uint32_t scanned = 0;  // bytes of the line seen, up to and including a CR before the LF
    bool afterCr = false;
    bool endedByCrLf = false;
    unsigned char chunk[256];
    uint32_t chunkStart = 0;  // the chunk holds the line's bytes from chunkStart to chunkEnd
    uint32_t chunkEnd = 0;
    // Once more than `size` bytes are seen the piece to return is settled whatever follows, so
    // the scan stops there instead of walking a long line for every piece.
    while (block->position + scanned < block->size && scanned <= limit + 1) {
        if (scanned == chunkEnd) {
            const uint32_t left = block->size - (block->position + scanned);
            const uint32_t count = std::min({uint32_t{sizeof chunk}, left, limit + 2 - scanned});
            uint32_t done;
            const int rc = k_file_rw(FILE_TRANSFER, 0, name, chunk, block->position + scanned,
                                     count, &done, block);
            if (rc != 0) return rc;
            chunkStart = scanned;
            chunkEnd = scanned + done;
        }
        const unsigned char b = chunk[scanned - chunkStart];
        if (b == EOF_MARK && scanned == 0) return endOfFile(name, line, length, block);
        if (afterCr && b == LF) {
            endedByCrLf = true;
            break;
        }
        afterCr = b == CR;
        ++scanned;
    }
    if (!endedByCrLf && scanned == 0) return endOfFile(name, line, length, block);

    uint32_t text;
    uint32_t advance;
    const bool endsAfterCr = endedByCrLf || (afterCr && block->position + scanned == block->size);
    if (endsAfterCr) {
        text = scanned - 1;
        advance = scanned + (endedByCrLf ? 1 : 0);
        if (text >= static_cast<uint32_t>(size)) text = advance = limit;
    } else {
        text = advance = scanned < limit ? scanned : limit;
    }
    uint32_t done = 0;
    if (text > 0) {
        const int rc = k_file_rw(FILE_TRANSFER, 0, name, line, block->position, text, &done, block);
        if (rc != 0) return rc;
    }
    line[done] = '\0';
    *length = static_cast<int>(done);
    block->position += advance;
    return 0;
}
