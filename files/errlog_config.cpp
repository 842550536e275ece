// The reporter's configuration: the environment (which counts only together with the unlock
// entry) and then the file "ERRLOG.TXT" in the current directory. docs/errorlog.md tells the
// user how to switch the log on.
#include "files/errlog_config.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/encoding.h"
#include "files/reporter.h"
#include "files/text_line_reader.h"

extern char** environ;

namespace {

// The keys are kept with the two halves of every byte exchanged, so that they do not stand in
// the program as plain text, and restored in place the first time they are needed.
template <size_t N>
constexpr std::array<char, N> scrambled(const char (&text)[N]) {
    std::array<char, N> out{};
    for (size_t i = 0; i + 1 < N; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        out[i] = static_cast<char>(((b & 0x0F) << 4) | (b >> 4));
    }
    return out;
}

void unscramble(char* text) {
    for (; *text != '\0'; ++text) {
        const auto b = static_cast<unsigned char>(*text);
        *text = static_cast<char>(((b & 0x0F) << 4) | (b >> 4));
    }
}

// Mode prefix, level prefix and unlock entry, one after the other with their NULs.
auto k_errlog_keyname = scrambled("VMODE=\0VLEVL=\0VELDIAG=1");
auto k_errlog_text = scrambled("----- end of Velmo report -----");

constexpr int PREFIX_LENGTH = 6;
constexpr int UNLOCK_LENGTH = 9;
constexpr const char LOG_KEY[] = "K_LOG=";
constexpr int LOG_ENTRY_MAX = 133;
// The pair of mode and level that adds the fixed record after each report and raises the
// level to 9.
constexpr int FIXED_RECORD_MODE = 77;
constexpr int FIXED_RECORD_LEVEL = 7;

struct Keys {
    const char* modePrefix;
    const char* levelPrefix;
    const char* unlockEntry;
};

const Keys& keys() {
    static const Keys restored = [] {
        char* text = k_errlog_keyname.data();
        // The scrambled NULs stay NUL, so the three texts can be restored one by one.
        unscramble(text);
        char* level = text + PREFIX_LENGTH + 1;
        unscramble(level);
        char* unlock = level + PREFIX_LENGTH + 1;
        unscramble(unlock);
        return Keys{text, level, unlock};
    }();
    return restored;
}

bool startsWith(const char* entry, const char* prefix) {
    return std::strncmp(entry, prefix, std::strlen(prefix)) == 0;
}

// "%d" from the seventh character on; the value stays as it was when no number is there.
void readNumber(const char* entry, int low, int high, int* value) {
    char* end;
    const long number = std::strtol(entry + PREFIX_LENGTH, &end, 10);
    if (end != entry + PREFIX_LENGTH) *value = static_cast<int>(number);
    if (*value < low) *value = low;
    if (*value > high) *value = high;
}

void takeLogName(const std::string& name, char* logName) {
    if (name.size() < ERRLOG_NAME_SIZE) std::memcpy(logName, name.c_str(), name.size() + 1);
}

// Mode, level and log name from one environment entry or file line. `levelLow` is the least
// level an entry may set: 0 in the environment, 1 in the file.
void applyEntry(const char* entry, int length, int levelLow, int* mode, int* level, char* logName,
                bool fromEnvironment) {
    const Keys& k = keys();
    if ((length == 7 || length == 8) && startsWith(entry, k.modePrefix)) {
        readNumber(entry, 0, 99, mode);
    }
    if (length == 7 && startsWith(entry, k.levelPrefix)) readNumber(entry, levelLow, 9, level);
    if (length >= 7 && length <= LOG_ENTRY_MAX && startsWith(entry, LOG_KEY)) {
        const char* value = entry + PREFIX_LENGTH;
        // The environment speaks UTF-8; the program's names are Shift-JIS. A name with no
        // Shift-JIS form is ignored rather than mangled.
        std::string name;
        if (!fromEnvironment) {
            name = value;
        } else if (!k_cp932_from_utf8(value, &name)) {
            return;
        }
        takeLogName(name, logName);
    }
}

int ruleR(int* mode, int* level) {
    int flags = 0;
    if (*mode != 0) {
        flags = 1;
        if (*level == 0) *level = 1;
    }
    if (*mode == 98) flags |= 2;
    if (*mode == FIXED_RECORD_MODE && *level == FIXED_RECORD_LEVEL) {
        *level = 9;
        flags |= 4;
    }
    if (*mode == 0 && *level != 0) {
        *mode = 1;
        flags |= 2;
    }
    return flags;
}

}  // namespace

const char* k_errlog_fixed_record() {
    static const char* restored = [] {
        unscramble(k_errlog_text.data());
        return k_errlog_text.data();
    }();
    return restored;
}

int k_errlog_config(int* mode, int* level, char* logName) {
    std::strcpy(logName, "ERR.LOG");
    *mode = 0;
    *level = 0;

    bool unlocked = false;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const int length = static_cast<int>(std::strlen(*entry));
        if (length == UNLOCK_LENGTH && std::strcmp(*entry, keys().unlockEntry) == 0) {
            unlocked = true;
        }
        applyEntry(*entry, length, 0, mode, level, logName, true);
    }
    if (!unlocked) {
        *mode = 0;
        *level = 0;
    }
    const int flags = ruleR(mode, level);
    if (flags != 0) return flags;

    FileControlBlock block{};
    char line[128];
    int length;
    int rc = k_text_lineget(FILE_OPEN, "ERRLOG.TXT", line, sizeof line, &length, &block);
    if (rc == 0 || rc == -1) *level = 1;
    while (rc == 0) {
        applyEntry(line, length, 1, mode, level, logName, false);
        rc = k_text_lineget(FILE_TRANSFER, "ERRLOG.TXT", line, sizeof line, &length, &block);
    }
    // After a failure the reader may still hold the file open; closing a closed block is 0.
    if (rc != -1 && rc != 2) {
        k_text_lineget(FILE_CLOSE, "ERRLOG.TXT", line, sizeof line, &length, &block);
    }
    return ruleR(mode, level);
}
