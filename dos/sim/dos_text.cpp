#include "dos/sim/dos_text.h"

#include "base/encoding.h"

namespace {

// Bytes of the UTF-8 sequence that starts with `lead`.
size_t utf8Length(unsigned char lead) {
    if (lead < 0xC0) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

}  // namespace

std::string dos_text(std::string_view utf8) {
    std::string out;
    if (k_cp932_from_utf8(utf8, &out)) return out;
    // Convert character by character so that only the unconvertible ones are replaced.
    out.clear();
    std::string piece;
    for (size_t i = 0; i < utf8.size();) {
        const size_t length = utf8Length(static_cast<unsigned char>(utf8[i]));
        if (k_cp932_from_utf8(utf8.substr(i, length), &piece)) {
            out += piece;
        } else {
            out += '?';
        }
        i += length;
    }
    return out;
}
