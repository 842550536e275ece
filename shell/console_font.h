// The console font and the drawing of one character into its cells, shared by the backing
// image and the input method's preedit text drawn over it.
#pragma once
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// Metrics of the console font in pixels: a cell is `width` × `height` (ascent + descent);
// `underline` is how far below the baseline an underline sits.
struct CellMetrics {
    int width = 8;
    int height = 16;
    int ascent = 12;
    int underline = 2;
};

// The console font at a pixel height: "Quandor" as asked for, or the fixed-pitch Japanese font
// that stands in for it.
QFont consoleFont(int pixelHeight);
CellMetrics cellMetricsOf(const QFont& font);

// Draws one character centred across the cells of `cells`; control characters have no glyph.
void drawCellGlyph(QPainter* painter, const QRect& cells, const QString& glyph);
