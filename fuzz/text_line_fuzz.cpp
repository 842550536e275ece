// The DOS text-line reader over the input as a file, with every line buffer from 2 to 130
// bytes. Each buffer is its own heap block, so a byte written past it is caught.
#include <memory>

#include "files/text_line_reader.h"
#include "fuzz_support.h"

namespace {

constexpr char FILE_NAME[] = "LINES.TXT";
constexpr int LINE_BUFFER_MIN = 2;
constexpr int LINE_BUFFER_MAX = 130;

void readAllLines(int size, size_t fileSize) {
    const auto line = std::make_unique<char[]>(size_t(size));
    FileControlBlock block{};
    int length = -1;
    int result = k_text_lineget(FILE_OPEN, FILE_NAME, line.get(), size, &length, &block);
    size_t calls = 1;
    while (result == 0) {
        fuzz_check(length >= 0 && length < size, "a line longer than its buffer");
        fuzz_check(line[size_t(length)] == '\0', "a line not terminated after its length");
        // Every line advances by at least one byte: the file bounds the calls.
        fuzz_check(++calls <= fileSize + 2, "a line that did not advance");
        result = k_text_lineget(FILE_TRANSFER, FILE_NAME, line.get(), size, &length, &block);
    }
    if (result == -1) {
        fuzz_check(block.state != FCB_OPEN, "end of file left the file open");
        fuzz_check(length == 0 && line[0] == '\0', "end of file with a line");
    } else {
        k_text_lineget(FILE_CLOSE, FILE_NAME, line.get(), size, &length, &block);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One positioned read per byte and per buffer size: keep the files small.
    if (size > 2048) return -1;
    ScratchDirectory scratch;
    scratch.writeFile(FILE_NAME, data, size);
    const int descriptors = fuzz_open_descriptors();
    for (int bufferSize = LINE_BUFFER_MIN; bufferSize <= LINE_BUFFER_MAX; ++bufferSize) {
        readAllLines(bufferSize, size);
    }
    fuzz_check(fuzz_open_descriptors() == descriptors, "the text file left open");
    return 0;
}
