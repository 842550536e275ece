// The console view's device context: paints Shift-JIS text cell by cell into the view's backing
// image. Every session starts like a fresh Windows device context (white background, black
// text, the stock fixed font), so colours and fonts never leak from one drawing sequence to the
// next. Coordinates are the view's pixels; an image with a device pixel ratio above 1 gets its
// text drawn at the screen's resolution.
#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <functional>

#include "console/device_context.h"
#include "shell/console_font.h"

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
    void fillRect(int x, int y, int width, int height, int colorref) override;
    int setPixel(int x, int y, int colorref) override;

    // What was drawn since the last call, to be shown: a tick that draws nothing repaints
    // nothing.
    QRect takeDrawn();

    // The metrics of the console font selected last, for the caret and the preedit text.
    const CellMetrics& consoleMetrics() const { return consoleMetrics_; }

    static QColor colorFromRef(int colorref);
    static const QColor defaultBack;
    static const QColor defaultText;

  private:
    void useFont(const QFont& font);

    QImage* image_;
    std::function<void()> invalidate_;
    QPainter painter_;
    QColor back_;
    QColor text_;
    QFont stockFont_;
    QRect drawn_;
    bool consoleSelected_ = false;
    CellMetrics cell_;            // of the font selected now
    CellMetrics consoleMetrics_;  // of the console font selected last
};
