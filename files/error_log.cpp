// Appending records to a DOS text file that may end in the end-of-file mark 0x1A: the mark is
// taken off, the record written, and the mark put back.
#include "files/error_log.h"

#include <unistd.h>

namespace {

constexpr char EOF_MARK = 0x1A;
constexpr char CR_LF[2] = {'\r', '\n'};

int firstFailure(int first, int second) {
    return first != 0 ? first : second;
}

}  // namespace

int k_text_lineput(int op, const char* name, const char* text, int length,
                   FileControlBlock* block) {
    const bool createOnly = op == FILE_OPEN_ONLY;
    const bool markEnd = op == 3;
    const int given = op;
    if (createOnly) op = FILE_OPEN;
    if (markEnd) op = FILE_CLOSE;
    if (op < FILE_OPEN || op > FILE_CLOSE) return 0x1000000 | (given & 0xFFFF);

    uint32_t done;
    if (op == FILE_CLOSE) {
        int rc = 0;
        if (markEnd && block->state == FCB_OPEN) {
            rc = k_file_write(FILE_TRANSFER, name, &EOF_MARK, 1, &done, block);
        }
        return firstFailure(rc, k_file_write(FILE_CLOSE, name, nullptr, 0, &done, block));
    }
    if (op == FILE_OPEN) {
        const int rc = k_file_write(FILE_OPEN_ONLY, name, nullptr, 0, &done, block);
        if (rc != 0 || createOnly) return rc;
    }
    if (block->state != FCB_OPEN) return 0x4000001;
    if (length > 0) {
        const int rc =
            k_file_write(FILE_TRANSFER, name, text, static_cast<uint32_t>(length), &done, block);
        if (rc != 0) return rc;
    }
    return k_file_write(FILE_TRANSFER, name, CR_LF, sizeof CR_LF, &done, block);
}

int k_text_eofcut(const char* name) {
    FileControlBlock block{};
    uint32_t done;
    int rc = k_file_rw(FILE_OPEN_ONLY, 1, name, nullptr, 0, 0, &done, &block);
    if (rc != 0) return rc;
    int result = 0;
    if (block.size > 0) {
        char last;
        rc = k_file_rw(FILE_TRANSFER, 0, name, &last, block.size - 1, 1, &done, &block);
        if (rc != 0) return rc;
        // Cutting the file itself, rather than positioning on the byte before the mark, also
        // handles a file that holds nothing but the mark.
        if (last == EOF_MARK) {
            result = ftruncate(block.handle, block.size - 1) == 0 ? -1 : 0x5000000;
        }
    }
    rc = k_file_rw(FILE_CLOSE, 1, name, nullptr, 0, 0, &done, &block);
    return rc != 0 && (result == 0 || result == -1) ? rc : result;
}

int k_errlog_put(const char* logName, const char* text, int length, FileControlBlock* block) {
    int rc = k_text_eofcut(logName);
    if (rc == 2) {  // no log yet: a new one, without an end-of-file mark
        rc = k_text_lineput(FILE_OPEN, logName, text, length, block);
        return firstFailure(rc, k_text_lineput(FILE_CLOSE, logName, nullptr, 0, block));
    }
    if (rc != 0 && rc != -1) return rc;
    const bool restoreMark = rc == -1;

    uint32_t done;
    rc = k_file_rw(FILE_OPEN_ONLY, 1, logName, nullptr, 0, 0, &done, block);
    if (rc != 0) return rc;
    // A positioned read of the last byte leaves the file position at the end, where the
    // sequential writer goes on. An empty file is already positioned there.
    if (block->size > 0) {
        char last;
        rc = k_file_rw(FILE_TRANSFER, 0, logName, &last, block->size - 1, 1, &done, block);
        if (rc != 0) return rc;
    }
    rc = k_text_lineput(FILE_TRANSFER, logName, text, length, block);
    return firstFailure(rc,
                        k_text_lineput(restoreMark ? 3 : FILE_CLOSE, logName, nullptr, 0, block));
}
