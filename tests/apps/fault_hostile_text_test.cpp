// Answer lines from the other machine that carry terminal escape sequences, BEL, NUL, C1
// controls and bytes that are not Shift-JIS: the batch transcript never hands a control
// character other than TAB to the terminal, double-byte characters whose first byte lies in
// 0x81-0x9F stay text, and velmo answers nothing but the protocol's ACKs.
#include <gtest/gtest.h>

#include "fault_rig.h"
#include "support/pty_pair.h"
#include "support/temp_working_directory.h"
#include "wire/wire_format.h"

namespace {

using namespace fault;
using Bytes = std::vector<uint8_t>;

Bytes record(bool prompt, const std::string& text) {
    Bytes bytes(text.size() + 4);
    bytes.resize(k_text_record(bytes.data(), prompt, text.data(), text.size()));
    return bytes;
}

// Plays MS-DOS for one command: takes the frame, then sends each record after ESC 'R' and
// ends with ESC 'E'. Everything velmo says after the frame lands in `answers`.
void playAnswer(int fd, const std::vector<Bytes>& records, Bytes* answers) {
    if (readBytes(fd, 2, 10000).size() < 2) return;  // ESC 'C'
    writeBytes(fd, Bytes{ACK});
    const Bytes head = readBytes(fd, 4);  // STX, flags, length
    if (head.size() < 4) return;
    readBytes(fd, k_get16(head.data() + 2));
    writeBytes(fd, Bytes{ACK});
    for (const Bytes& each : records) {
        writeBytes(fd, Bytes{ESC, 'R'});
        Bytes answer = readBytes(fd, 1);
        writeBytes(fd, each);
        const Bytes verdict = readBytes(fd, 1);
        answer.insert(answer.end(), verdict.begin(), verdict.end());
        answers->insert(answers->end(), answer.begin(), answer.end());
    }
    writeBytes(fd, Bytes{ESC, 'E'});
    const Bytes after = readBytes(fd, 1, 500);  // velmo says nothing more
    answers->insert(answers->end(), after.begin(), after.end());
}

// The first byte that would act on a terminal: a C0 control but TAB and the line ends, DEL,
// or a C1 control written in UTF-8. npos when there is none.
size_t firstControl(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7F) return i;
        if (byte == 0xC2 && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) {
            return i;
        }
    }
    return std::string::npos;
}

TEST(HostileText, TranscriptPassesNoControlCharacter) {
    TempWorkingDirectory work;
    PtyPair line;
    writeSettings(work.path(), line.slavePath(), 1);
    const std::vector<Bytes> records = {
        record(false, "\x1b[2J\x1b]0;owned\x07\x1b[31mred"),
        record(false, std::string("A\0B", 3)),
        record(false,
               "\x9b"
               "31m C1 CSI, \x85 NEL, \x7f DEL, \x08\x08 backspaces\r\n"),
        record(false, "\x95\x5c \x83\x5c \x81\x40 \x9f\x40 kanji"),  // 表 ソ (full-width blank) 殀
        record(false, "\xff\xfe\x80\xa0\xfd invalid"),
        record(false, "tab\tkept"),
        record(true, "\x1b[0mA>\x07"),
    };
    Bytes answers;
    ScriptedPeer peer(line.master(), [&](int fd) { playAnswer(fd, records, &answers); });

    BatchVelmo velmo(work.path());
    velmo.type("dir");
    EXPECT_EQ(velmo.finish(), 0);
    peer.join();
    const std::string transcript = velmo.output();
    SCOPED_TRACE(transcript);
    EXPECT_EQ(firstControl(transcript), std::string::npos);
    EXPECT_EQ(firstControl(velmo.errors()), std::string::npos);
    EXPECT_NE(transcript.find("表 ソ"), std::string::npos);
    EXPECT_NE(transcript.find("red"), std::string::npos);
    EXPECT_NE(transcript.find("kept"), std::string::npos);
    EXPECT_EQ(answers, Bytes(2 * records.size(), ACK));
}

}  // namespace
