// A drawing surface for tests: records every text output and every colour and font request,
// fill and pixel, and answers the console font with fixed metrics (or refuses it, to test the
// fallback).
#pragma once
#include <string>
#include <vector>

#include "console/device_context.h"

struct Drawn {
    int x;
    int y;
    std::string text;
};

class RecordingSurface : public DeviceContext {
  public:
    // What selectConsoleFont answers.
    bool fontAvailable = true;
    int cellWidth = 8;
    int cellHeight = 16;

    std::vector<Drawn> drawn;
    int backColor = -1;  // last colour set, -1 while none was
    int textColor = -1;
    int fontSelects = 0;
    int fontReleases = 0;
    int requestedFontHeight = 0;
    int invalidations = 0;
    int fillColor = -2;  // colour of the last fill, -2 while none was asked for
    // The colour setPixel answers the surface shows, -1 to show what was asked.
    int shownColor = -1;

    void textOut(int x, int y, const char* text, int length) override;
    void setBackColor(int colorref) override { backColor = colorref; }
    void setTextColor(int colorref) override { textColor = colorref; }
    bool selectConsoleFont(int pixelHeight, int* charWidth, int* lineHeight) override;
    void releaseConsoleFont() override { fontReleases++; }
    void invalidateWindow() override { invalidations++; }
    void fillRect(int, int, int, int, int colorref) override { fillColor = colorref; }
    int setPixel(int, int, int colorref) override {
        return shownColor == -1 ? colorref : shownColor;
    }

    // Forgets what was drawn and requested; the font answers stay.
    void clear();
    // The row at pixel y as it would look: every output at that y laid over the row in order,
    // one cell of cellWidth pixels per byte, trailing blanks removed.
    std::string rowAt(int y) const;
};
