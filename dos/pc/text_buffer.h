// A line of text built in a fixed buffer: VELMOD has no heap and no printf. What does not fit
// is cut off; the text stays NUL-terminated.
#pragma once
#include <cstdint>

class TextBuffer {
  public:
    static constexpr uint32_t CAPACITY = 160;

    TextBuffer& add(const char* text);
    TextBuffer& add(const char* bytes, uint32_t length);
    TextBuffer& add(char c) { return add(&c, 1); }
    TextBuffer& number(uint32_t value);

    const char* text() const { return text_; }
    uint32_t length() const { return length_; }

  private:
    char text_[CAPACITY + 1] = {};
    uint32_t length_ = 0;
};
