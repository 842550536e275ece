// Where a received file goes, and what a sent file is called on the other side.
#include "link/transfer_names.h"

#include <cstring>
#include <string>
#include <string_view>

#include "core/encoding.h"
#include "files/dos_wildcard.h"

namespace {

// Second bytes of Shift-JIS double-byte characters; "/" and ":" are never among them.
bool isTrailByte(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

}  // namespace

int k_last_separator(const char* text, size_t length, const char* separators) {
    int last = -1;
    for (size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (k_is_lead_byte(byte) && i + 1 < length &&
            isTrailByte(static_cast<unsigned char>(text[i + 1]))) {
            ++i;  // the second byte of the character: "\" (0x5C) can be one
        } else if (byte != '\0' && std::strchr(separators, byte) != nullptr) {
            last = int(i);
        }
    }
    return last;
}

const char* k_received_local_name(const char* destination, const char* dosName, size_t dosLength,
                                  char* localName, size_t localSize) {
    const size_t destinationLength = std::strlen(destination);
    const bool intoDirectory =
        destinationLength == 0 ||
        k_last_separator(destination, destinationLength, "/\\") == int(destinationLength) - 1;
    if (!intoDirectory) {
        if (destinationLength >= localSize) return "path too long";
        std::memcpy(localName, destination, destinationLength + 1);
        return nullptr;
    }
    const int separator = k_last_separator(dosName, dosLength, "/\\:");
    const std::string_view name(dosName + separator + 1, dosLength - size_t(separator + 1));
    if (name.empty()) return "no file name";
    if (name == "." || name == "..") return "not a file name";
    if (destinationLength + name.size() >= localSize) return "path too long";
    std::memcpy(localName, destination, destinationLength);
    if (destinationLength > 0) localName[destinationLength - 1] = '/';
    std::memcpy(localName + destinationLength, name.data(), name.size());
    localName[destinationLength + name.size()] = '\0';
    return nullptr;
}

const char* k_received_name_refusal(const char* requested, const char* dosName, size_t dosLength,
                                    bool* byWildcard) {
    const size_t requestedLength = std::strlen(requested);
    const char* pattern = requested + k_last_separator(requested, requestedLength, "\\:/") + 1;
    *byWildcard = pattern[0] == '\0' || std::strpbrk(pattern, "*?") != nullptr;
    const int separator = k_last_separator(dosName, dosLength, "/\\:");
    const std::string name(dosName + separator + 1, dosLength - size_t(separator + 1));
    if (name.empty() || name[0] == '.') return "not a file name";
    if (requestedLength == 0 || pattern[0] == '\0') return nullptr;
    return k_dos_wildcard_match(pattern, name.c_str()) ? nullptr : "not the file asked for";
}

const char* k_sent_name_refusal(const char* baseName) {
    const size_t length = std::strlen(baseName);
    if (k_last_separator(baseName, length, "\\:*?\"<>|") >= 0) return "not an MS-DOS name";
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(baseName[i]) < 0x20) return "not an MS-DOS name";
    }
    return nullptr;
}

const char* k_sent_base_name(const char* localName) {
    const char* separator = std::strrchr(localName, '/');
    return separator == nullptr ? localName : separator + 1;
}
