#include "files/dos_wildcard.h"

namespace {

struct Text {
    const char* bytes;
    size_t size;
};

size_t length(const char* s) {
    size_t n = 0;
    while (s[n] != '\0') ++n;
    return n;
}

bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Bytes of the character at `at`: a lead byte takes its trail byte when there is one.
size_t charLength(Text text, size_t at) {
    const bool lead = isLeadByte(static_cast<unsigned char>(text.bytes[at]));
    return lead && at + 1 < text.size ? 2 : 1;
}

unsigned char fold(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 'a' && b <= 'z' ? b - ('a' - 'A') : b;
}

// The pattern character at `p` against the name character at `n` (both `size` bytes); the
// second byte of a double-byte character is no letter and is compared as it is.
bool sameChar(Text pattern, size_t p, Text name, size_t n, size_t size) {
    if (size == 1) return fold(pattern.bytes[p]) == fold(name.bytes[n]);
    return pattern.bytes[p] == name.bytes[n] && pattern.bytes[p + 1] == name.bytes[n + 1];
}

// "*" and "?" without the dot rules. Only the latest "*" is ever retried, one name character
// further each time: an earlier "*" could only take what the latest one takes anyway.
bool matches(Text pattern, Text name) {
    size_t p = 0;
    size_t n = 0;
    size_t afterStar = 0;  // pattern position after the latest "*"
    size_t starTakes = 0;  // name position where the text that "*" has not taken starts
    bool star = false;
    while (n < name.size) {
        if (p < pattern.size && pattern.bytes[p] == '*') {
            star = true;
            afterStar = ++p;
            starTakes = n;
            continue;
        }
        if (p < pattern.size) {
            const size_t nameChar = charLength(name, n);
            if (pattern.bytes[p] == '?' && name.bytes[n] == '.') {
                while (p < pattern.size && pattern.bytes[p] == '?') ++p;  // "???.TXT" takes AB.TXT
                continue;
            }
            if (pattern.bytes[p] == '?') {
                ++p;
                n += nameChar;
                continue;
            }
            const size_t patternChar = charLength(pattern, p);
            if (patternChar == nameChar && sameChar(pattern, p, name, n, nameChar)) {
                p += patternChar;
                n += nameChar;
                continue;
            }
        }
        if (!star) return false;
        starTakes += charLength(name, starTakes);
        n = starTakes;
        p = afterStar;
    }
    while (p < pattern.size && (pattern.bytes[p] == '*' || pattern.bytes[p] == '?')) ++p;
    return p == pattern.size;
}

bool hasDot(Text name) {
    for (size_t i = 0; i < name.size; ++i) {
        if (name.bytes[i] == '.') return true;  // never a trail byte: those start at 0x40
    }
    return false;
}

bool endsWith(Text text, const char* tail, size_t tailSize) {
    if (text.size < tailSize) return false;
    for (size_t i = 0; i < tailSize; ++i) {
        if (text.bytes[text.size - tailSize + i] != tail[i]) return false;
    }
    return true;
}

}  // namespace

bool k_dos_wildcard_match(const char* pattern, const char* name) {
    const Text mask{pattern, length(pattern)};
    const Text file{name, length(name)};
    if (matches(mask, file)) return true;
    if (hasDot(file)) return false;
    if (endsWith(mask, ".*", 2)) return matches(Text{mask.bytes, mask.size - 2}, file);
    if (endsWith(mask, ".", 1)) return matches(Text{mask.bytes, mask.size - 1}, file);
    return false;
}
