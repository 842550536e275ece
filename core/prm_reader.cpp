// The parameter file "PRM232C.TXT": one "KEY=value" per line, read once at start-up.
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/encoding.h"
#include "core/link_context.h"
#include "files/file_layer.h"

namespace {

constexpr char kParameterFile[] = "PRM232C.TXT";
constexpr int kLineBuffer = 120;
constexpr int kPathBuffer = 1024;

// The line as read and its upper-cased twin, on which the keys are matched.
struct PrmLine {
    const char* written;
    const char* upper;
    int length;
};

bool startsWithKey(const PrmLine& line, const char* key, int leastLength) {
    return line.length >= leastLength && std::strncmp(line.upper, key, std::strlen(key)) == 0;
}

// The decimal after the key (leading blanks, a sign, digits; the rest ignored). Values that
// do not fit an int are refused rather than wrapped.
bool readDecimal(const char* text, int* value) {
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
    *value = static_cast<int>(parsed);
    return true;
}

// A colour 0x00BBGGRR, hexadecimal from `text`; anything in the top eight bits is refused.
bool readColour(const char* text, int* colour) {
    char* end = nullptr;
    errno = 0;
    unsigned long parsed = std::strtoul(text, &end, 16);
    if (end == text || errno == ERANGE || parsed > 0xFFFFFFUL) return false;
    *colour = static_cast<int>(parsed);
    return true;
}

bool applyComPort(LinkContext* ctx, const PrmLine& line) {
    int port = 99;
    if (!startsWithKey(line, "COM=", 5)) return false;
    if (!readDecimal(line.upper + 4, &port) || port < 1 || port > COM_PORTS) return false;
    ctx->comPort = port;
    return true;
}

bool applyBaudRate(LinkContext* ctx, const PrmLine& line) {
    int rate = 0;
    if (!startsWithKey(line, "BAUDRATE=", 11)) return false;
    if (!readDecimal(line.upper + 9, &rate) || rate < 1) return false;
    ctx->baudRate = rate;
    return true;
}

bool applyStopBits(LinkContext* ctx, const PrmLine& line) {
    int bits = 0;
    if (!startsWithKey(line, "STOPBIT=", 9)) return false;
    if (!readDecimal(line.upper + 8, &bits) || (bits != 1 && bits != 2)) return false;
    ctx->stopBits = bits == 1 ? 0 : 2;  // the serial codes for one and two stop bits
    return true;
}

bool applyTimeout(LinkContext* ctx, const PrmLine& line) {
    int seconds = 0;
    if (!startsWithKey(line, "TIMEOUT=", 9)) return false;
    // The count is kept in eighths of a second; a value whose count would not fit is refused.
    if (!readDecimal(line.upper + 8, &seconds) || seconds < 1 || seconds > INT_MAX / 80) {
        return false;
    }
    ctx->timeoutSetting = seconds * 80 / 10;
    return true;
}

bool applyVerify(LinkContext* ctx, const PrmLine& line) {
    int verify = -1;
    if (!startsWithKey(line, "VERIFY=", 8)) return false;
    if (!readDecimal(line.upper + 7, &verify) || verify < 0) return false;
    ctx->verifyOn = verify > 0 ? 1 : 0;
    return true;
}

// CAPTION="text": taken as written, so letters and double-byte characters stay as they are.
// The character after the "=" is the opening quote and is not looked at; the caption ends
// before the next quote or at the end of the line.
bool applyCaption(LinkContext* ctx, const PrmLine& line) {
    if (!startsWithKey(line, "CAPTION=", 11)) return false;
    const char* start = line.written + 9;
    const char* quote = std::strchr(line.written + 10, '"');
    size_t length = quote != nullptr ? static_cast<size_t>(quote - start) : std::strlen(start);
    length = std::min(length, sizeof ctx->captionText - 1);
    std::memset(ctx->captionText, 0, sizeof ctx->captionText);
    std::memcpy(ctx->captionText, start, length);
    return true;
}

bool applyColour(int* field, const PrmLine& line, const char* key, int leastLength) {
    int colour = -1;
    if (!startsWithKey(line, key, leastLength)) return false;
    // The two characters after the "=" are the "0x" of the written value.
    if (!readColour(line.upper + std::strlen(key) + 2, &colour)) return false;
    *field = colour;
    return true;
}

// "COMn=PATH" maps port n to a device; the path is kept as written (device names are
// case-sensitive). An empty path goes back to the default device.
bool applyPortPath(LinkContext* ctx, const PrmLine& line) {
    if (line.length < 5 || std::strncmp(line.upper, "COM", 3) != 0 || line.upper[4] != '=') {
        return false;
    }
    int port = line.upper[3] - '0';
    if (port < 1 || port > COM_PORTS) return false;
    const char* path = line.written + 5;
    size_t length = std::strlen(path);
    if (length >= PORT_PATH_MAX) return false;
    std::memset(ctx->portPaths[port], 0, PORT_PATH_MAX);
    std::memcpy(ctx->portPaths[port], path, length);
    return true;
}

void applyLine(LinkContext* ctx, const PrmLine& line) {
    applyComPort(ctx, line) || applyBaudRate(ctx, line) || applyStopBits(ctx, line) ||
        applyTimeout(ctx, line) || applyVerify(ctx, line) || applyCaption(ctx, line) ||
        applyColour(&ctx->backColor, line, "BKCOLOR=", 18) ||
        applyColour(&ctx->textColor, line, "TEXTCOLOR=", 20) || applyPortPath(ctx, line);
}

// The file's full path in the program's Shift-JIS, as the file layer takes names.
bool parameterFilePath(std::string* path) {
    char directory[kPathBuffer];
    if (getcwd(directory, sizeof directory) == nullptr) return false;
    if (!k_cp932_from_utf8(directory, path)) return false;
    if (path->empty() || path->back() != '/') path->push_back('/');
    path->append(kParameterFile);
    return path->size() < static_cast<size_t>(kPathBuffer);
}

}  // namespace

void k_prm_read(LinkContext* ctx) {
    std::string path;
    if (!parameterFilePath(&path)) return;

    FileControlBlock block{};
    char line[kLineBuffer];
    char upper[kLineBuffer];
    int length = 0;
    int op = FILE_OPEN;
    // Any failure (a missing file among them) ends the reading; what was set so far stays.
    while (k_text_lineget(op, path.c_str(), line, kLineBuffer, &length, &block) == 0) {
        op = FILE_TRANSFER;
        if (length <= 0 || line[0] == ';') continue;
        for (int i = 0; i <= length; i++) {
            upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[i])));
        }
        applyLine(ctx, PrmLine{line, upper, length});
    }
    if (block.state == FCB_OPEN)
        k_text_lineget(FILE_CLOSE, path.c_str(), line, kLineBuffer, &length, &block);
}
