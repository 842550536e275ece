// The parameter file "PRM232C.TXT": one "KEY=value" per line, read once at start-up.
#include "driver/prm_reader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/link_context.h"
#include "console/screen_buffer.h"
#include "files/text_line_reader.h"

namespace {

constexpr char kParameterFile[] = "PRM232C.TXT";
constexpr int kLineBuffer = 120;
constexpr uint32_t kFileLimit = 64 * 1024;  // ten settings take some hundred bytes

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

// The keys with a decimal value: what a line must hold and where an accepted value goes.
struct DecimalKey {
    const char* key;
    int leastLength;
    int lowest;
    int highest;
    void (*store)(LinkContext* ctx, int value);
};

const DecimalKey kDecimalKeys[] = {
    {"COM=", 5, 1, COM_PORTS, [](LinkContext* ctx, int port) { ctx->comPort = port; }},
    {"BAUDRATE=", 11, 1, INT_MAX, [](LinkContext* ctx, int rate) { ctx->baudRate = rate; }},
    // The serial codes for one and two stop bits; one and a half cannot be asked for.
    {"STOPBIT=", 9, 1, 2, [](LinkContext* ctx, int bits) { ctx->stopBits = bits == 1 ? 0 : 2; }},
    // Kept in eighths of a second; a count that would not fit is refused.
    {"TIMEOUT=", 9, 1, INT_MAX / 80,
     [](LinkContext* ctx, int seconds) { ctx->timeoutSetting = seconds * 80 / 10; }},
    {"VERIFY=", 8, 0, INT_MAX, [](LinkContext* ctx, int verify) { ctx->verifyOn = verify > 0; }},
};

bool applyDecimal(LinkContext* ctx, const PrmLine& line, const DecimalKey& key) {
    int value = 0;
    if (!startsWithKey(line, key.key, key.leastLength)) return false;
    if (!readDecimal(line.upper + std::strlen(key.key), &value)) return false;
    if (value < key.lowest || value > key.highest) return false;
    key.store(ctx, value);
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
    const size_t length = std::strcspn(path, "\r\n");
    if (length >= PORT_PATH_MAX) return false;
    std::memset(ctx->portPaths[port], 0, PORT_PATH_MAX);
    std::memcpy(ctx->portPaths[port], path, length);
    return true;
}

void applyLine(LinkContext* ctx, const PrmLine& line) {
    for (const DecimalKey& key : kDecimalKeys) {
        if (applyDecimal(ctx, line, key)) return;
    }
    if (applyCaption(ctx, line)) return;
    if (applyColour(&ctx->backColor, line, "BKCOLOR=", 18)) return;
    if (applyColour(&ctx->textColor, line, "TEXTCOLOR=", 20)) return;
    applyPortPath(ctx, line);
}

// A line of a file with Linux line ends comes back with the lines after it attached (the
// reader ends lines at CR LF only): keep what comes before the LF and read on right after it.
void endAtLineFeed(char* line, int* length, uint32_t lineStart, FileControlBlock* block) {
    const void* feed = std::memchr(line, '\n', static_cast<size_t>(*length));
    if (feed == nullptr) return;
    *length = static_cast<int>(static_cast<const char*>(feed) - line);
    line[*length] = '\0';
    block->position = lineStart + static_cast<uint32_t>(*length) + 1;
}

// Told on the console before the first prompt: the settings are read before anything is
// shown.
void noticeNotRead(LinkContext* ctx, const std::string& reason) {
    const std::string text = "*PRM232C.TXT not read (" + reason + "); default settings used";
    ctx->lineCount = 0;
    a_editOutBuf(ctx, text.c_str());
    a_editPrompt(ctx);
}

// The reason in words for a failure code of the file layer.
std::string failureReason(int code) {
    const int error = code & 0xFFFF;
    if (error == 5) return "permission denied";
    if (error == 32) return "another program holds it";
    return std::strerror(error);
}

}  // namespace

void k_prm_read(LinkContext* ctx) {
    FileControlBlock block{};
    char line[kLineBuffer];
    char upper[kLineBuffer];
    int length = 0;
    // Opened by its plain name: the same file as by its full path, however long the path is
    // and whether or not the directory's name has a Shift-JIS form.
    int rc = k_text_lineget(FILE_OPEN_ONLY, kParameterFile, line, kLineBuffer, &length, &block);
    if (rc == 2) return;  // no file: the defaults stay
    if (rc != 0) return noticeNotRead(ctx, failureReason(rc));
    if (block.size > kFileLimit) {
        k_text_lineget(FILE_CLOSE, kParameterFile, line, kLineBuffer, &length, &block);
        return noticeNotRead(ctx, "larger than 64 KiB");
    }
    for (;;) {
        const uint32_t lineStart = block.position;
        rc = k_text_lineget(FILE_TRANSFER, kParameterFile, line, kLineBuffer, &length, &block);
        if (rc != 0) break;
        endAtLineFeed(line, &length, lineStart, &block);
        if (length <= 0 || line[0] == ';') continue;
        for (int i = 0; i <= length; i++) {
            upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[i])));
        }
        applyLine(ctx, PrmLine{line, upper, length});
    }
    // The reader closes the file at its end; after a failure it may still be open, and what
    // was set before the failure stays.
    if (rc == -1) return;
    noticeNotRead(ctx, failureReason(rc));
    if (block.state == FCB_OPEN) {
        k_text_lineget(FILE_CLOSE, kParameterFile, line, kLineBuffer, &length, &block);
    }
}
