// A link context wired to a pseudo-terminal, a recording surface, and the MS-DOS side played
// step by step on the master end.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "console/link_context.h"
#include "link/transfer_io.h"
#include "serial/port.h"
#include "support/pty_pair.h"
#include "support/recording_surface.h"

using Bytes = std::vector<uint8_t>;

// What the MS-DOS side writes, then how many bytes it waits to hear from velmo.
struct DosStep {
    Bytes say;
    size_t hear;
};

// Plays the steps in order and collects what velmo sends; stops at the first step whose
// answer does not come.
inline void playSteps(int fd, const std::vector<DosStep>& steps, Bytes* heard) {
    for (const DosStep& step : steps) {
        if (!step.say.empty()) writeBytes(fd, step.say);
        Bytes got = readBytes(fd, step.hear, 2000);
        heard->insert(heard->end(), got.begin(), got.end());
        if (got.size() < step.hear) return;
    }
}

// A TextRecord as the MS-DOS side sends it; any length, so that oversized ones can be tried.
inline Bytes textRecord(uint8_t flags, const std::string& text) {
    Bytes record = {0x02, flags, uint8_t(text.size()), uint8_t(text.size() >> 8)};
    record.insert(record.end(), text.begin(), text.end());
    return record;
}

inline Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

class LinkFixture : public ::testing::Test {
  protected:
    LinkFixture() {
        a_ContextDefaults(&ctx);
        pty.connect(&ctx, 2);
    }
    ~LinkFixture() override {
        if (ctx.portOpen) k_link_close(&ctx);
    }

    void openPort() {
        ASSERT_EQ(k_link_open(&ctx), 0);
        ctx.portOpen = 1;
    }

    // The console as the line editor leaves it after Enter: the prompt and the command.
    void enterCommand(const std::string& command) {
        std::string text = std::string(ctx.promptText) + command;
        ConsoleLine& line = ctx.lines[ctx.lineCount++];
        line.state = LINE_COMMAND;
        line.length = int32_t(text.size());
        std::memset(line.text, 0, sizeof line.text);
        std::memcpy(line.text, text.data(), text.size());
    }

    const ConsoleLine& newestLine() const { return ctx.lines[ctx.lineCount - 1]; }
    std::string lineText(int index) const {
        return std::string(ctx.lines[index].text, size_t(ctx.lines[index].length));
    }

    LinkContext ctx;
    PtyPair pty;
    RecordingSurface dc;
};
