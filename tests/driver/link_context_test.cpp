#include "console/link_context.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "driver/context_instance.h"
#include "support/temp_working_directory.h"

namespace {

TEST(LinkContextDefaults, StartsWithTheDocumentedValues) {
    auto ctx = std::make_unique<LinkContext>();
    std::memset(ctx.get(), 0x5A, sizeof(LinkContext));  // defaults must not rely on zeroed memory
    a_ContextDefaults(ctx.get());

    EXPECT_STREQ(ctx->versionText, "Ver 2.11");
    EXPECT_STREQ(ctx->captionText, "Quandor for MS-DOS");
    EXPECT_EQ(ctx->comPort, 1);
    EXPECT_EQ(ctx->baudRate, 9600);
    EXPECT_EQ(ctx->stopBits, 0);
    EXPECT_EQ(ctx->timeoutSetting, 240);
    EXPECT_EQ(ctx->verifyOn, 0);
    EXPECT_EQ(ctx->backColor, -1);
    EXPECT_EQ(ctx->textColor, -1);
    EXPECT_EQ(ctx->caretWidth, 6);
    EXPECT_EQ(ctx->caretHeight, 1);
    EXPECT_EQ(ctx->fontHeight, 14);
    EXPECT_EQ(ctx->charWidth, 8);
    EXPECT_EQ(ctx->lineHeight, 16);
    EXPECT_EQ(ctx->insertMode, 1);
    EXPECT_EQ(ctx->inputLimit, 511);
    EXPECT_EQ(ctx->inputLength, 0);
    EXPECT_EQ(ctx->linkActive, 0);
    EXPECT_EQ(ctx->portOpen, 0);
    EXPECT_EQ(ctx->portHandle, PORT_NONE);
    EXPECT_EQ(ctx->ioOverlapped.portPaths, ctx->portPaths);
    EXPECT_EQ(ctx->statusBar, nullptr);
    EXPECT_EQ(ctx->consoleObserver, nullptr);
    EXPECT_STREQ(ctx->promptText, "MS-DOS>");
    EXPECT_EQ(ctx->promptText[sizeof ctx->promptText - 1], '\0');

    EXPECT_EQ(ctx->lineCount, 1);
    EXPECT_EQ(ctx->lines[0].state, LINE_PROMPT);
    EXPECT_EQ(ctx->lines[0].length, 7);
    EXPECT_STREQ(ctx->lines[0].text, "MS-DOS>");
    for (int i = 1; i < CONSOLE_LINES; i++) {
        EXPECT_EQ(ctx->lines[i].state, LINE_EMPTY);
        EXPECT_EQ(ctx->lines[i].length, 0);
        EXPECT_EQ(ctx->lines[i].text[0], '\0');
    }
    for (const HistoryEntry& entry : ctx->history) EXPECT_EQ(entry.used, 0);
}

// The accessor's one record lives for the whole test program, so a single test covers it.
TEST(LinkContextAccessor, ReadsTheParameterFileOnceOnly) {
    TempWorkingDirectory directory;
    directory.writeFile("PRM232C.TXT", "COM=3\r\nCAPTION=\"First\"\r\n");
    LinkContext* first = a_ContextGet();
    EXPECT_EQ(first->comPort, 3);
    EXPECT_STREQ(first->captionText, "First");

    first->linkActive = 1;
    directory.writeFile("PRM232C.TXT", "COM=5\r\n");
    LinkContext* second = a_ContextGet();
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->comPort, 3);
    EXPECT_EQ(second->linkActive, 1);  // not reset to the defaults either
    second->linkActive = 0;
}

}  // namespace
