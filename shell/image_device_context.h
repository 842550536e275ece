// The console view's device context: paints Shift-JIS text cell by cell into the view's backing
// image. Every session starts like a fresh Windows device context (white background, black
// text, the stock fixed font), so colours and fonts never leak from one drawing sequence to the
// next.
#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <functional>

#include "console/device_context.h"

class ImageDeviceContext : public DeviceContext {
  public:
    // `invalidate` is called when the drawing code asks for the whole window to be repainted.
    ImageDeviceContext(QImage* image, std::function<void()> invalidate);

    // Opens a drawing session; false when the image is being painted already.
    bool begin();
    void end();
    bool active() const { return painter_.isActive(); }

    void textOut(int x, int y, const char* text, int length) override;
    void setBackColor(int colorref) override;
    void setTextColor(int colorref) override;
    bool selectConsoleFont(int pixelHeight, int* charWidth, int* lineHeight) override;
    void releaseConsoleFont() override;
    void invalidateWindow() override;

    // Fills with the background colour, as the default brush of a device context would.
    void fillWithBrush(const QRect& rect, int colorref);
    // Sets one pixel and returns the colour the image really holds there.
    int setPixel(int x, int y, int colorref);

    static QColor colorFromRef(int colorref);

  private:
    void useFont(const QFont& font);
    void drawCell(int x, int y, const QString& glyph, int cells);

    QImage* image_;
    std::function<void()> invalidate_;
    QPainter painter_;
    QColor back_;
    QColor text_;
    QFont stockFont_;
    bool consoleSelected_ = false;
    int cellWidth_ = 8;
    int cellHeight_ = 16;
    int ascent_ = 12;
};
