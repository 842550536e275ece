// Where a received file goes, and what a sent file is called on the other side.
#include "link/transfer_names.h"

#include <cstring>
#include <string>
#include <string_view>

#include "base/encoding.h"
#include "files/dos_name_match.h"

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

// The helpers below build on k_last_separator.
namespace {

// The last component of what the user asked for: the pattern a header's name must answer.
const char* requestedPattern(const char* requested) {
    return requested + k_last_separator(requested, std::strlen(requested), "\\:/") + 1;
}

std::string lastComponent(const char* dosName, size_t dosLength) {
    const int separator = k_last_separator(dosName, dosLength, "/\\:");
    return std::string(dosName + separator + 1, dosLength - size_t(separator + 1));
}

// Control characters and `forbidden` ones (never the second byte of a double-byte character).
bool holdsForbidden(const char* name, size_t length, const char* forbidden) {
    for (size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return k_last_separator(name, length, forbidden) >= 0;
}

}  // namespace

bool k_request_names_directory(const char* requested, const char* dosName, size_t dosLength) {
    const char* pattern = requestedPattern(requested);
    if (pattern[0] == '\0' || std::strpbrk(pattern, "*?") != nullptr) return false;
    return !k_dos_name_match(pattern, lastComponent(dosName, dosLength).c_str());
}

const char* k_received_name_refusal(const char* requested, bool directory, const char* dosName,
                                    size_t dosLength, bool* byWildcard) {
    const char* pattern = requestedPattern(requested);
    *byWildcard = directory || pattern[0] == '\0' || std::strpbrk(pattern, "*?") != nullptr;
    const std::string name = lastComponent(dosName, dosLength);
    if (name.empty() || name[0] == '.') return "not a file name";
    // What no MS-DOS file name can hold; "/", "\\" and ":" have cut the name already.
    if (holdsForbidden(name.data(), name.size(), "\"*+,;<=>?[]|")) return "not an MS-DOS name";
    if (directory || pattern[0] == '\0') return nullptr;
    return k_dos_name_match(pattern, name.c_str()) ? nullptr : "not the file asked for";
}

const char* k_sent_name_refusal(const char* baseName) {
    return holdsForbidden(baseName, std::strlen(baseName), "\\:*?\"<>|") ? "not an MS-DOS name"
                                                                         : nullptr;
}

const char* k_sent_base_name(const char* localName) {
    const char* separator = std::strrchr(localName, '/');
    return separator == nullptr ? localName : separator + 1;
}
