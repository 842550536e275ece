#include "console/font_step.h"

#include <gtest/gtest.h>

#include <memory>

#include "console/link_context.h"
#include "support/recording_surface.h"

namespace {

class FontStepTest : public ::testing::Test {
  protected:
    FontStepTest() : ctx(std::make_unique<LinkContext>()) { a_ContextDefaults(ctx.get()); }

    std::unique_ptr<LinkContext> ctx;
    RecordingSurface surface;
};

TEST_F(FontStepTest, SelectMeasuresTheFontAtTheContextHeight) {
    ctx->fontHeight = 16;
    surface.cellWidth = 9;
    surface.cellHeight = 18;
    a_fontStep(ctx.get(), FONT_SELECT, &surface);
    EXPECT_EQ(surface.requestedFontHeight, 16);
    EXPECT_EQ(ctx->charWidth, 9);
    EXPECT_EQ(ctx->lineHeight, 18);
    EXPECT_EQ(surface.backColor, -1);  // unset colours leave the surface's own
    EXPECT_EQ(surface.textColor, -1);

    a_fontStep(ctx.get(), FONT_RELEASE, &surface);
    EXPECT_EQ(surface.fontReleases, 1);
}

TEST_F(FontStepTest, RefusedFontKeepsTheMetricsButSetsTheColours) {
    ctx->backColor = 0x800000;
    ctx->textColor = 0x00FFFF;
    surface.fontAvailable = false;
    a_fontStep(ctx.get(), FONT_SELECT, &surface);
    EXPECT_EQ(ctx->charWidth, 8);
    EXPECT_EQ(ctx->lineHeight, 16);
    EXPECT_EQ(surface.backColor, 0x800000);
    EXPECT_EQ(surface.textColor, 0x00FFFF);
}

}  // namespace
