#include "support/raw_line.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>

#include "support/dos_machine.h"
#include "support/pty_pair.h"
#include "wire/wire_format.h"

RawLine::RawLine(const DosMachine& machine) : fd_(machine.openLine()) {
    EXPECT_GE(fd_, 0) << "cannot open " << machine.linkPath();
}

RawLine::RawLine(int fd) : fd_(fd) {}

RawLine::~RawLine() {
    if (fd_ >= 0) close(fd_);
}

Bytes RawLine::frame(uint8_t flags, const std::string& text, const std::string& copy) {
    writeBytes(fd_, Bytes{ESC, 'C'});
    if (readBytes(fd_, 1) != Bytes{ACK}) return {};
    const std::string second = copy.empty() ? text : copy;
    Bytes rest = {STX, flags, 0, 0};
    k_put16(rest.data() + 2, uint32_t(text.size() + second.size()));
    rest.insert(rest.end(), text.begin(), text.end());
    rest.insert(rest.end(), second.begin(), second.end());
    writeBytes(fd_, rest);
    Bytes answer = readBytes(fd_, 1);
    if (answer == Bytes{ESC}) answer.push_back(readBytes(fd_, 1).at(0));
    return answer;
}

bool RawLine::answer(std::vector<std::string>* lines, std::string* prompt, int cancelAt) {
    for (int record = 0;; ++record) {
        const Bytes start = readBytes(fd_, 2);
        if (start == Bytes{ESC, 'E'}) return true;
        if (start != Bytes{ESC, 'R'}) return false;
        writeBytes(fd_, Bytes{ACK});
        const Bytes head = readBytes(fd_, 4);
        if (head.size() != 4 || head[0] != STX) return false;
        const Bytes text = readBytes(fd_, k_get16(head.data() + 2));
        (head[1] & TEXT_PROMPT ? *prompt : lines->emplace_back()) =
            std::string(text.begin(), text.end());
        writeBytes(fd_, Bytes{record == cancelAt ? NAK : ACK});
        if (record == cancelAt) return readBytes(fd_, 2) == Bytes{ESC, 'E'};
    }
}

std::vector<std::string> RawLine::command(const std::string& text, std::string* prompt) {
    std::vector<std::string> lines;
    EXPECT_EQ(frame(0, text), Bytes{ACK});
    EXPECT_TRUE(answer(&lines, prompt));
    return lines;
}

Bytes RawLine::putBlock(const Bytes& block) {
    writeBytes(fd_, block);
    Bytes answer = readBytes(fd_, 1);
    if (answer == Bytes{ESC}) answer.push_back(readBytes(fd_, 1).at(0));
    return answer;
}

bool RawLine::quiet(int ms) {
    pollfd p{fd_, POLLIN, 0};
    return poll(&p, 1, ms) == 0;
}

Bytes headerBlock(const std::string& name, uint32_t size) {
    Bytes block(BLOCK_PAYLOAD_OFFSET + name.size());
    k_block_header(block.data(), k_dos_date(2000, 1, 15), k_dos_time(12, 30, 0), size, name.data(),
                   name.size());
    return block;
}

Bytes dataBlock(uint8_t type, uint32_t number, const std::string& payload) {
    Bytes block(BLOCK_PAYLOAD_OFFSET + payload.size());
    std::memcpy(block.data() + BLOCK_PAYLOAD_OFFSET, payload.data(), payload.size());
    k_block_data(block.data(), type, number, payload.size());
    return block;
}
