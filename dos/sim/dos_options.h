// The command line of velmo-dos: where its drive A: lives, which line it serves, and the faults
// it can inject for tests and benchmarks.
#pragma once
#include <cstdint>
#include <string>

constexpr int64_t FAULT_OFF = -1;

struct DosFaults {
    int64_t corruptBlock = FAULT_OFF;  // GET: this block number goes out with a wrong checksum
    bool corruptOnce = false;          // ... only on its first send in each file
    int64_t nakBlock = FAULT_OFF;      // PUT: this block number is answered NAK
    int64_t nakCount = FAULT_OFF;      // ... this many times per file (FAULT_OFF: every time)
    int64_t skipBlock = FAULT_OFF;     // GET: this block number is never sent, as if taken
    int64_t silentAfter = FAULT_OFF;   // GET: nothing more is sent after this many bytes
    int64_t endAfter = FAULT_OFF;      // GET: ESC 'E' after this many data blocks
    bool hostileName = false;          // GET: every header carries hostileNameBytes
    std::string hostileNameBytes;      // Shift-JIS (or raw) bytes
};

struct DosOptions {
    std::string root;
    std::string device;
    std::string ptyLink;
    int baudRate = 9600;
    uint32_t lineRate = 0;  // bits per second; 0 = as fast as the line takes bytes
    int timeoutSeconds = 30;
    DosFaults faults;
};

enum class ParseResult { Run, Help, Error };

ParseResult dos_parse_options(int argc, char** argv, DosOptions* options, std::string* error);
const char* dos_help_text();
