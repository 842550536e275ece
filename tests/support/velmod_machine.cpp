#include "support/velmod_machine.h"

#include <fcntl.h>

#include <chrono>
#include <fstream>
#include <vector>

#include "support/raw_line.h"
#include "wire/wire_format.h"

void write_velmo_settings(const std::string& directory, const std::string& line, unsigned rate) {
    std::ofstream(directory + "/PRM232C.TXT", std::ios::binary)
        << "COM1=" << line << "\r\nBAUDRATE=" << rate << "\r\nTIMEOUT=10\r\n";
}

bool wait_for_velmod(const std::string& line, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        RawLine raw(open(line.c_str(), O_RDWR | O_NOCTTY));
        std::vector<std::string> lines;
        std::string prompt;
        if (raw.frame(0, "cd") == Bytes{ACK} && raw.answer(&lines, &prompt)) return true;
    }
    return false;
}
