// The paint handler: colours, the font height rule, the caption row and the caret's focus rules.
#include <QTest>

#include "shell/image_device_context.h"
#include "shell/velmo_view.h"
#include "window_fixture.h"

namespace {
constexpr int kNavy = 0x00800000;  // 0x00BBGGRR
constexpr int kYellow = 0x0000FFFF;

bool rowHolds(const QImage& image, int top, int height, QRgb colour) {
    for (int y = top; y < top + height; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour) return true;
        }
    }
    return false;
}
}  // namespace

class ConsolePaint : public WindowTest {
  protected:
    // Asks for a full repaint the way the drawing code does, and lets it happen.
    void repaint() {
        DeviceContext* dc = view()->getDC();
        ASSERT_NE(dc, nullptr);
        dc->invalidateWindow();
        view()->releaseDC(dc);
        QTest::qWait(30);
    }
};

TEST_F(ConsolePaint, ConfiguredColoursFillTheConsoleAndDrawItsText) {
    ctx->backColor = kNavy;
    ctx->textColor = kYellow;
    repaint();
    const QImage& image = view()->image();
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0x80));
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), qRgb(0, 0, 0x80));
    EXPECT_EQ(ctx->backColor, kNavy);  // the image shows the colour exactly as asked
    EXPECT_TRUE(rowHolds(image, 0, ctx->lineHeight, qRgb(255, 255, 0)));  // the caption row
    EXPECT_TRUE(rowHolds(image, ctx->lineHeight, ctx->lineHeight, qRgb(255, 255, 0)));  // prompt
    EXPECT_FALSE(rowHolds(image, 0, image.height(), qRgb(255, 255, 255)));
}

TEST_F(ConsolePaint, WithoutColoursTheConsoleIsBlackOnWhite) {
    repaint();
    const QImage& image = view()->image();
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), qRgb(255, 255, 255));
    EXPECT_TRUE(rowHolds(image, 0, ctx->lineHeight, qRgb(0, 0, 0)));
}

TEST_F(ConsolePaint, FontHeightFollowsTheClientHeight) {
    EXPECT_EQ(ctx->fontHeight, 16);
    view()->setMinimumSize(0, 0);
    frame->resize(frame->width(), frame->height() - view()->height() + 400);
    QTest::qWait(30);
    ASSERT_EQ(view()->height(), 400);
    EXPECT_EQ(ctx->fontHeight, 14);
    frame->resize(frame->width(), frame->height() + 1);
    QTest::qWait(30);
    EXPECT_EQ(ctx->fontHeight, 16);
}

TEST_F(ConsolePaint, CaretLivesOnlyWithTheFocus) {
    EXPECT_TRUE(view()->caretShown());
    view()->clearFocus();
    EXPECT_FALSE(view()->caretShown());
    EXPECT_EQ(ctx->caretVisible, 0);
    view()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([this] { return view()->hasFocus(); }));
    EXPECT_TRUE(view()->caretShown());
}

TEST(ImageDeviceContext, DoubleByteCharactersTakeTwoCellsAndControlBytesNone) {
    QImage image(200, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    ImageDeviceContext dc(&image, nullptr);
    ASSERT_TRUE(dc.begin());
    int width = 0;
    int height = 0;
    ASSERT_TRUE(dc.selectConsoleFont(16, &width, &height));
    // "日" (0x93 0xFA), a control byte, then "A".
    dc.textOut(0, 0,
               "\x93\xfa\x01"
               "A",
               4);
    dc.end();
    auto inked = [&](int cell) {
        for (int y = 0; y < height; ++y) {
            for (int x = cell * width; x < (cell + 1) * width; ++x) {
                if (image.pixel(x, y) != qRgb(255, 255, 255)) return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(inked(0));
    EXPECT_TRUE(inked(1));   // the right half of the wide character
    EXPECT_FALSE(inked(2));  // the control byte
    EXPECT_TRUE(inked(3));
}
