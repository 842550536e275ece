#include "text_buffer.h"

TextBuffer& TextBuffer::add(const char* text) {
    uint32_t length = 0;
    while (text[length]) ++length;
    return add(text, length);
}

TextBuffer& TextBuffer::add(const char* bytes, uint32_t length) {
    for (uint32_t i = 0; i < length && length_ < CAPACITY; ++i) text_[length_++] = bytes[i];
    text_[length_] = 0;
    return *this;
}

TextBuffer& TextBuffer::number(uint32_t value) {
    char digits[10];
    uint32_t count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    while (count) add(digits[--count]);
    return *this;
}
