#include "support/recording_surface.h"

void RecordingSurface::textOut(int x, int y, const char* text, int length) {
    drawn.push_back(Drawn{x, y, std::string(text, static_cast<size_t>(length))});
}

bool RecordingSurface::selectConsoleFont(int pixelHeight, int* charWidth, int* lineHeight) {
    fontSelects++;
    requestedFontHeight = pixelHeight;
    if (!fontAvailable) return false;
    *charWidth = cellWidth;
    *lineHeight = cellHeight;
    return true;
}

void RecordingSurface::clear() {
    drawn.clear();
    backColor = -1;
    textColor = -1;
    fontSelects = 0;
    fontReleases = 0;
    requestedFontHeight = 0;
    invalidations = 0;
    fillColor = -2;
}

std::string RecordingSurface::rowAt(int y) const {
    std::string row;
    for (const Drawn& output : drawn) {
        if (output.y != y) continue;
        size_t column = static_cast<size_t>(output.x / cellWidth);
        if (row.size() < column + output.text.size()) row.resize(column + output.text.size(), ' ');
        row.replace(column, output.text.size(), output.text);
    }
    row.erase(row.find_last_not_of(' ') + 1);
    return row;
}
