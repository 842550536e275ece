#include "shell/image_device_context.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <string>

#include "core/encoding.h"

namespace {
const QColor kDefaultBack(Qt::white);
const QColor kDefaultText(Qt::black);

QString decodeCell(const char* bytes, int count) {
    std::string utf8;
    if (!k_utf8_from_cp932(std::string_view(bytes, count), &utf8)) return {};
    return QString::fromStdString(utf8);
}

// The console font at a pixel height: "Quandor" as asked for, or the CJK monospace font that
// stands in for it.
QFont consoleFont(int pixelHeight) {
    QFont font;
    font.setFamilies({QStringLiteral("Quandor"), QStringLiteral("Noto Sans Mono CJK JP")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(pixelHeight > 0 ? pixelHeight : 14);
    font.setWeight(QFont::Normal);
    font.setKerning(false);
    return font;
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
    back_ = kDefaultBack;
    text_ = kDefaultText;
    consoleSelected_ = false;
    useFont(stockFont_);
    return true;
}

void ImageDeviceContext::end() {
    if (painter_.isActive()) painter_.end();
}

void ImageDeviceContext::useFont(const QFont& font) {
    painter_.setFont(font);
    QFontMetrics metrics(font);
    cellWidth_ = metrics.horizontalAdvance(QLatin1Char('A'));
    cellHeight_ = metrics.height();
    ascent_ = metrics.ascent();
}

bool ImageDeviceContext::selectConsoleFont(int pixelHeight, int* charWidth, int* lineHeight) {
    if (!painter_.isActive()) return false;
    useFont(consoleFont(pixelHeight));
    consoleSelected_ = true;
    if (charWidth) *charWidth = cellWidth_;
    if (lineHeight) *lineHeight = cellHeight_;
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

void ImageDeviceContext::drawCell(int x, int y, const QString& glyph, int cells) {
    if (glyph.isEmpty()) return;
    // Control characters have no glyph; their cell stays blank, as in a console.
    if (glyph.size() == 1 && glyph.at(0).category() == QChar::Other_Control) return;
    painter_.drawText(QRect(x, y, cells * cellWidth_, cellHeight_),
                      Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, glyph);
}

void ImageDeviceContext::textOut(int x, int y, const char* text, int length) {
    if (!painter_.isActive() || length <= 0) return;
    // Opaque cells: the whole run first takes the background colour.
    painter_.fillRect(QRect(x, y, length * cellWidth_, cellHeight_), back_);
    painter_.setPen(text_);
    for (int i = 0; i < length;) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == ' ') {  // most of a console row; the fill has drawn it already
            ++i;
            continue;
        }
        const int cells = k_is_lead_byte(byte) && i + 1 < length ? 2 : 1;
        drawCell(x + i * cellWidth_, y, decodeCell(text + i, cells), cells);
        i += cells;
    }
}

void ImageDeviceContext::fillWithBrush(const QRect& rect, int colorref) {
    if (!painter_.isActive()) return;
    painter_.fillRect(rect, colorref == -1 ? kDefaultBack : colorFromRef(colorref));
}

int ImageDeviceContext::setPixel(int x, int y, int colorref) {
    if (!painter_.isActive() || !image_->valid(x, y)) return -1;
    // The raster painter writes straight into the image, so the pixel can be read back at once.
    painter_.fillRect(QRect(x, y, 1, 1), colorFromRef(colorref));
    return refFromColor(image_->pixelColor(x, y));
}

QColor ImageDeviceContext::colorFromRef(int colorref) {
    return QColor(colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF);
}
