// The drawing surface handed to everything that paints the console.
//
// The window supplies one that paints into its backing image, the batch front end one that
// draws nothing, tests one that records. All text is Shift-JIS bytes, one cell per byte.
#pragma once

class DeviceContext {
  public:
    virtual ~DeviceContext() = default;

    // Draws `length` bytes at pixel (x, y), each byte one cell, cells painted opaquely.
    virtual void textOut(int x, int y, const char* text, int length) = 0;
    // Windows colour values 0x00BBGGRR.
    virtual void setBackColor(int colorref) = 0;
    virtual void setTextColor(int colorref) = 0;
    // The console font at this pixel height: selects it and measures one cell ("A").
    // Returns false when no font could be had; the previous font stays selected.
    virtual bool selectConsoleFont(int pixelHeight, int* charWidth, int* lineHeight) = 0;
    virtual void releaseConsoleFont() = 0;
    // Asks for the whole client area to be repainted (after a screen clear).
    virtual void invalidateWindow() = 0;
    // Fills a rectangle with `colorref`, or with the surface's own brush when it is -1.
    virtual void fillRect(int, int, int, int, int) {}
    // Sets one pixel and returns the colour the surface really shows there (-1: no pixel).
    // A surface that shows nothing shows every colour as asked.
    virtual int setPixel(int, int, int colorref) { return colorref; }
};
