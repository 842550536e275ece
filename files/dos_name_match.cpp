#include "files/dos_name_match.h"

#include "base/lead_byte.h"

namespace {

constexpr int NAME_BYTES = 8;
constexpr int EXTENSION_BYTES = 3;
constexpr int ENTRY_BYTES = NAME_BYTES + EXTENSION_BYTES;

unsigned char upper(unsigned char b) {
    return b >= 'a' && b <= 'z' ? static_cast<unsigned char>(b - ('a' - 'A')) : b;
}

// One part of the name (up to the dot, or the extension up to the end) into `out`, `room`
// bytes, blank-padded. Returns where the part ended in `text`.
const char* fillPart(const char* text, unsigned char* out, int room) {
    int used = 0;
    for (; *text != '\0' && *text != '.'; ++text) {
        const auto b = static_cast<unsigned char>(*text);
        if (b == '*') {
            while (used < room) out[used++] = '?';
            continue;
        }
        if (k_is_lead_byte(b) && text[1] != '\0') {
            if (used + 2 <= room) {
                out[used++] = b;
                out[used++] = static_cast<unsigned char>(text[1]);
            } else {
                while (used < room) out[used++] = ' ';  // it does not fit whole: the part ends
            }
            ++text;
            continue;
        }
        if (used < room) out[used++] = upper(b);
    }
    while (used < room) out[used++] = ' ';
    return text;
}

void toEntry(const char* text, unsigned char* entry) {
    text = fillPart(text, entry, NAME_BYTES);
    if (*text == '.') ++text;
    fillPart(text, entry + NAME_BYTES, EXTENSION_BYTES);
}

}  // namespace

bool k_dos_name_match(const char* pattern, const char* name) {
    unsigned char wanted[ENTRY_BYTES];
    unsigned char entry[ENTRY_BYTES];
    toEntry(pattern, wanted);
    toEntry(name, entry);
    for (int i = 0; i < ENTRY_BYTES; ++i) {
        if (wanted[i] != '?' && wanted[i] != entry[i]) return false;
    }
    return true;
}
