#include "shell/image_device_context.h"

#include <QFontDatabase>
#include <string>
#include <utility>

#include "base/encoding.h"

const QColor ImageDeviceContext::defaultBack(Qt::white);
const QColor ImageDeviceContext::defaultText(Qt::black);

namespace {
QString decodeCell(const char* bytes, int count) {
    std::string utf8;
    if (!k_utf8_from_cp932(std::string_view(bytes, count), &utf8)) return {};
    return QString::fromStdString(utf8);
}

int refFromColor(QColor color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}
}  // namespace

ImageDeviceContext::ImageDeviceContext(QImage* image, std::function<void()> invalidate)
    : image_(image),
      invalidate_(std::move(invalidate)),
      stockFont_(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {}

bool ImageDeviceContext::begin() {
    if (painter_.isActive() || image_->isNull()) return false;
    if (!painter_.begin(image_)) return false;
    back_ = defaultBack;
    text_ = defaultText;
    consoleSelected_ = false;
    useFont(stockFont_);
    return true;
}

void ImageDeviceContext::end() {
    if (painter_.isActive()) painter_.end();
}

void ImageDeviceContext::useFont(const QFont& font) {
    painter_.setFont(font);
    cell_ = cellMetricsOf(font);
}

bool ImageDeviceContext::selectConsoleFont(int pixelHeight, int* charWidth, int* lineHeight) {
    if (!painter_.isActive()) return false;
    useFont(consoleFont(pixelHeight));
    consoleSelected_ = true;
    consoleMetrics_ = cell_;
    if (charWidth) *charWidth = cell_.width;
    if (lineHeight) *lineHeight = cell_.height;
    return true;
}

void ImageDeviceContext::releaseConsoleFont() {
    if (!consoleSelected_ || !painter_.isActive()) return;
    useFont(stockFont_);
    consoleSelected_ = false;
}

void ImageDeviceContext::setBackColor(int colorref) {
    back_ = colorFromRef(colorref);
}

void ImageDeviceContext::setTextColor(int colorref) {
    text_ = colorFromRef(colorref);
}

void ImageDeviceContext::invalidateWindow() {
    if (invalidate_) invalidate_();
}

void ImageDeviceContext::textOut(int x, int y, const char* text, int length) {
    if (!painter_.isActive() || length <= 0) return;
    // Opaque cells: the whole run first takes the background colour.
    const QRect run(x, y, length * cell_.width, cell_.height);
    painter_.fillRect(run, back_);
    drawn_ |= run;
    painter_.setPen(text_);
    for (int i = 0; i < length;) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == ' ') {  // most of a console row; the fill has drawn it already
            ++i;
            continue;
        }
        const int cells = k_is_lead_byte(byte) && i + 1 < length ? 2 : 1;
        drawCellGlyph(&painter_, QRect(x + i * cell_.width, y, cells * cell_.width, cell_.height),
                      decodeCell(text + i, cells));
        i += cells;
    }
}

void ImageDeviceContext::fillRect(int x, int y, int width, int height, int colorref) {
    if (!painter_.isActive()) return;
    painter_.fillRect(QRect(x, y, width, height),
                      colorref == -1 ? defaultBack : colorFromRef(colorref));
}

int ImageDeviceContext::setPixel(int x, int y, int colorref) {
    const QPoint pixel = (QPointF(x, y) * image_->devicePixelRatio()).toPoint();
    if (!painter_.isActive() || !image_->valid(pixel)) return -1;
    // The raster painter writes straight into the image, so the pixel can be read back at once.
    painter_.fillRect(QRect(x, y, 1, 1), colorFromRef(colorref));
    return refFromColor(image_->pixelColor(pixel));
}

QRect ImageDeviceContext::takeDrawn() {
    return std::exchange(drawn_, QRect());
}

QColor ImageDeviceContext::colorFromRef(int colorref) {
    return QColor(colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF);
}
