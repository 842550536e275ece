// Shift-JIS <-> UTF-8 over glibc iconv. One conversion descriptor per direction and thread,
// opened on first use and reset before each conversion, so no state leaks between calls.
#include "base/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace {

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Appends the converted text to `out`; false at the first byte that does not convert.
    bool convert(std::string_view in, std::string* out) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char chunk[256];
        while (srcLeft > 0) {
            char* dst = chunk;
            size_t dstLeft = sizeof chunk;
            size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out->append(chunk, dst - chunk);
            if (rc == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

  private:
    iconv_t cd_;
};

Converter& toCp932() {
    thread_local Converter converter("CP932", "UTF-8");
    return converter;
}

Converter& toUtf8() {
    thread_local Converter converter("UTF-8", "CP932");
    return converter;
}

// Decodes the first code point of a UTF-8 sequence that iconv produced (so it is well formed).
uint32_t firstCodePoint(const std::string& utf8) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    if (p[0] < 0x80) return p[0];
    if (p[0] < 0xE0) return ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
    if (p[0] < 0xF0) return ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
    return ((p[0] & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
}

bool isControl(uint32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

void appendEscaped(unsigned char b, std::string* out) {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", b);
    out->append(text);
}

}  // namespace

bool k_cp932_from_utf8(std::string_view utf8, std::string* out) {
    out->clear();
    return toCp932().convert(utf8, out);
}

bool k_utf8_from_cp932(std::string_view cp932, std::string* out) {
    out->clear();
    return toUtf8().convert(cp932, out);
}

std::string k_utf8_inert(std::string_view cp932) {
    std::string out;
    size_t i = 0;
    while (i < cp932.size()) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        if (b == '\t' || (b >= 0x20 && b < 0x7F)) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        if (b < 0x20 || b == 0x7F) {
            out.push_back('^');
            out.push_back(b == 0x7F ? '?' : static_cast<char>(b + 0x40));
            ++i;
            continue;
        }
        // A lead byte takes its trail byte with it when the pair is a character; otherwise the
        // byte stands alone (half-width katakana) or is shown as an escape.
        std::string decoded;
        size_t width = 0;
        if (k_is_lead_byte(b) && i + 1 < cp932.size() &&
            toUtf8().convert(cp932.substr(i, 2), &decoded)) {
            width = 2;
        } else {
            decoded.clear();
            if (toUtf8().convert(cp932.substr(i, 1), &decoded)) width = 1;
        }
        if (width == 0 || decoded.empty() || isControl(firstCodePoint(decoded))) {
            appendEscaped(b, &out);
            ++i;
        } else {
            out.append(decoded);
            i += width;
        }
    }
    return out;
}
