#include "shell/console_font.h"

#include <QFontMetrics>
#include <QPainter>

QFont consoleFont(int pixelHeight) {
    QFont font;
    // IPAGothic has the metrics of the Windows console fonts (a 16-pixel font gives 17-pixel
    // rows); Noto's tall line would spread the rows half as far apart again.
    font.setFamilies({QStringLiteral("Quandor"), QStringLiteral("IPAGothic"),
                      QStringLiteral("Noto Sans Mono CJK JP")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(pixelHeight > 0 ? pixelHeight : 14);
    font.setWeight(QFont::Normal);
    font.setKerning(false);
    return font;
}

CellMetrics cellMetricsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    return CellMetrics{metrics.horizontalAdvance(QLatin1Char('A')),
                       metrics.ascent() + metrics.descent(), metrics.ascent(),
                       metrics.underlinePos()};
}

void drawCellGlyph(QPainter* painter, const QRect& cells, const QString& glyph) {
    if (glyph.isEmpty()) return;
    if (glyph.size() == 1 && glyph.at(0).category() == QChar::Other_Control) return;
    painter->drawText(cells, Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, glyph);
}
