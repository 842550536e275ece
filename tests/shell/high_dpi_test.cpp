// The console on a scaled screen. CTest runs this once more with QT_SCALE_FACTOR=2.
#include <QTest>

#include "shell/velmo_view.h"
#include "window_fixture.h"

namespace {
// 2 × 2 pixel blocks of the caption row that are not of one colour: none when the text was
// drawn at the lower resolution and blown up.
int mixedBlocks(const QImage& image, int rowHeight) {
    int mixed = 0;
    for (int y = 0; y + 1 < rowHeight; y += 2) {
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb corner = image.pixel(x, y);
            if (image.pixel(x + 1, y) != corner || image.pixel(x, y + 1) != corner ||
                image.pixel(x + 1, y + 1) != corner) {
                mixed++;
            }
        }
    }
    return mixed;
}
}  // namespace

using HighDpi = WindowTest;

TEST_F(HighDpi, ConsoleIsPaintedAtTheScreensResolution) {
    const qreal scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
    view()->repaint();
    const QImage& image = view()->image();
    EXPECT_EQ(view()->devicePixelRatioF(), scale);
    EXPECT_EQ(image.devicePixelRatio(), scale);
    EXPECT_EQ(image.size(), (QSizeF(view()->size()) * scale).toSize());
    EXPECT_GT(mixedBlocks(image, qRound(ctx->lineHeight * scale)), 0);
}
