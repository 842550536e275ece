// The paint handler over a recording surface: the whole console from scratch, with the caret
// placed and shown around it.
#include "console/console_paint.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "console/link_context.h"
#include "console/screen_buffer.h"
#include "support/recording_host.h"

namespace {
class ConsolePaintTest : public ::testing::Test {
  protected:
    ConsolePaintTest() : ctx(std::make_unique<LinkContext>()) { a_ContextDefaults(ctx.get()); }

    void paint(int height = 425, bool adjustBackColor = false) {
        a_paintConsole(ctx.get(), &host, &host.surface, 656, height, adjustBackColor);
    }

    std::unique_ptr<LinkContext> ctx;
    RecordingHost host;
};

TEST_F(ConsolePaintTest, PaintsCaptionRowsAndInputLineAndPlacesTheCaret) {
    a_editOutBuf(ctx.get(), "Volume in drive A");
    a_editPrompt(ctx.get());
    std::strcpy(ctx->inputLine, "dir");
    ctx->inputLength = 3;
    ctx->cursorColumn = 1;
    paint();
    const int row = host.surface.cellHeight;
    EXPECT_EQ(host.surface.rowAt(0),
              "============================== [MS-DOS Monitor] ================================");
    EXPECT_EQ(host.surface.rowAt(row), "MS-DOS>");
    EXPECT_EQ(host.surface.rowAt(2 * row), "Volume in drive A");
    EXPECT_EQ(host.surface.rowAt(3 * row), "MS-DOS>dir");
    EXPECT_EQ(host.surface.rowAt(24 * row), "");  // every row down to the last is painted
    EXPECT_EQ(host.surface.fillColor, -1);        // the surface's own brush
    EXPECT_EQ(host.caretX, 8 * host.surface.cellWidth);
    EXPECT_EQ(host.caretY, 4 * row - 1);
    EXPECT_EQ(ctx->caretVisible, 1);
    EXPECT_EQ(host.surface.fontReleases, 1);
}

TEST_F(ConsolePaintTest, WhileACommandRunsTheCaretStaysHidden) {
    ctx->linkActive = 1;
    paint();
    EXPECT_EQ(ctx->caretVisible, 0);
    EXPECT_EQ(host.caretShows, 0);
}

TEST_F(ConsolePaintTest, TheBackgroundColourBecomesTheOneTheSurfaceShows) {
    ctx->backColor = 0x800001;
    host.surface.shownColor = 0x800000;
    paint(425, true);
    EXPECT_EQ(ctx->backColor, 0x800000);
    EXPECT_EQ(host.surface.fillColor, 0x800000);
    host.surface.shownColor = 0x123456;
    paint(425, false);
    EXPECT_EQ(ctx->backColor, 0x800000);
}

}  // namespace
