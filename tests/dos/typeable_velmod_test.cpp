// VELMOD.TXT reaches a bare DOS machine through COPY from the cable, which stops at Ctrl+Z, and
// may be typed in or shown on an 80-column screen: printable ASCII in CR LF lines of 80 bytes
// at most.
#include <gtest/gtest.h>

#include <string>

#include "support/file_bytes.h"

TEST(TypeableVelmodTest, EveryByteIsPrintableInCrLfLinesOfAtMost80Bytes) {
    const std::string text = fileBytes(VELMOD_TXT);
    ASSERT_FALSE(text.empty()) << VELMOD_TXT;
    size_t lineStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            EXPECT_LE(i + 1 - lineStart, 80u) << "the line at byte " << lineStart;
            lineStart = i + 1;
        } else {
            ASSERT_TRUE(byte >= 0x20 && byte <= 0x7e) << "byte " << int(byte) << " at " << i;
        }
    }
    EXPECT_EQ(lineStart, text.size()) << "the last line ends with CR LF";
}
