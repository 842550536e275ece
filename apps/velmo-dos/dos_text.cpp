#include "dos_text.h"

#include <algorithm>

#include "core/encoding.h"

namespace {

// Bytes of the UTF-8 sequence that starts with `lead`.
size_t utf8Length(unsigned char lead) {
    if (lead < 0xC0) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

// The first `width` bytes of a Shift-JIS text, not splitting a double-byte character.
std::string_view fittingPrefix(std::string_view text, size_t width) {
    size_t end = 0;
    while (end < text.size()) {
        const size_t step = k_is_lead_byte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + step > width) break;
        end += step;
    }
    return text.substr(0, std::min(end, text.size()));
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

std::vector<std::string> dos_wrap(std::string_view line, size_t width) {
    std::vector<std::string> pieces;
    do {
        std::string_view piece = fittingPrefix(line, width);
        if (piece.empty() && !line.empty()) piece = line.substr(0, 1);  // width below 2
        pieces.emplace_back(piece);
        line.remove_prefix(piece.size());
    } while (!line.empty());
    return pieces;
}

std::string_view dos_last_component(std::string_view name) {
    size_t start = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (k_is_lead_byte(b)) {
            ++i;  // the trail byte may be 0x5C and is no separator
        } else if (b == '\\' || b == '/' || b == ':') {
            start = i + 1;
        }
    }
    return name.substr(std::min(start, name.size()));
}
